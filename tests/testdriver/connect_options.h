// What a connection string asks of the driver: the completed string, a failing
// or unusual connect, and scripted outcomes of connection-wide calls.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "call_rule.h"
#include "diagnostics.h"

namespace querimo::testodbc {

struct ConnectOptions {
    // Every keyword, upper-cased, with its value ("%3B" decoded to ';').
    std::map<std::string, std::string> keywords;
    std::string completed;  // the out connection string
    SQLRETURN connectReturn = SQL_SUCCESS;
    std::vector<DiagRecord> connectDiags;
    std::vector<CallRule> rules;  // from Fail<Call>= and Info<Call>=
};

struct ParsedConnectOptions {
    ConnectOptions options;
    std::optional<std::string> error;  // set when a keyword's value is malformed
};

ParsedConnectOptions ParseConnectOptions(std::string_view connectionString);

// "STATE,native,message|STATE,native,message": the message is everything after
// the second comma and may be empty; so may the state.
std::optional<std::vector<DiagRecord>> ParseDiagList(std::string_view text, std::string& error);

}  // namespace querimo::testodbc
