#include "handles.h"

#include <algorithm>

#include "driver_registry.h"
#include "statement.h"

namespace querimo::testodbc {
namespace {

template <class T>
void EraseOwned(std::vector<std::unique_ptr<T>>& owned, const T& item) {
    owned.erase(std::remove_if(owned.begin(), owned.end(),
                               [&](const auto& entry) { return entry.get() == &item; }),
                owned.end());
}

}  // namespace

Environment::Environment() {
    RegisterHandle(this, HandleKind::Environment);
}

Environment::~Environment() {
    UnregisterHandle(this);
}

Connection& Environment::AddConnection() {
    connections.push_back(std::make_unique<Connection>(*this));
    return *connections.back();
}

void Environment::RemoveConnection(Connection& connection) {
    EraseOwned(connections, connection);
}

Connection::Connection(Environment& owner) : environment(owner) {
    RegisterHandle(this, HandleKind::Connection);
}

Connection::~Connection() {
    DropStatements();
    UnregisterHandle(this);
}

Statement& Connection::AddStatement() {
    statements.push_back(std::make_unique<Statement>(*this));
    return *statements.back();
}

void Connection::RemoveStatement(Statement& statement) {
    EraseOwned(statements, statement);
}

void Connection::DropStatements() {
    statements.clear();
}

}  // namespace querimo::testodbc
