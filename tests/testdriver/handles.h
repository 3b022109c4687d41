// The driver's environment and connection handles. Each parent owns its
// children, so freeing a connection (or disconnecting it) frees its statements.
#pragma once

#include <map>
#include <memory>
#include <vector>

#include "connect_options.h"
#include "diagnostics.h"

namespace querimo::testodbc {

class Statement;
struct Environment;

struct Connection {
    explicit Connection(Environment& owner);
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    Statement& AddStatement();
    void RemoveStatement(Statement& statement);
    void DropStatements();

    Environment& environment;
    DiagArea diags;
    bool connected = false;
    ConnectOptions options;
    std::map<SQLINTEGER, SQLULEN> attributes;
    std::vector<std::unique_ptr<Statement>> statements;
};

struct Environment {
    Environment();
    ~Environment();
    Environment(const Environment&) = delete;
    Environment& operator=(const Environment&) = delete;

    Connection& AddConnection();
    void RemoveConnection(Connection& connection);

    DiagArea diags;
    SQLINTEGER odbcVersion = SQL_OV_ODBC3;
    std::vector<std::unique_ptr<Connection>> connections;
};

}  // namespace querimo::testodbc
