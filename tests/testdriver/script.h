// The statement scripting language: what one SQL text asks the driver to do.
// README.md documents the syntax; ParseStatementText turns text into a Script.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "call_rule.h"
#include "odbc_api.h"

namespace querimo::testodbc {

// A value as written in the script; empty for NULL.
using ScriptValue = std::optional<std::string>;

struct ScriptColumn {
    std::string name;
    SQLSMALLINT sqlType = SQL_INTEGER;
    SQLULEN columnSize = 0;
    SQLSMALLINT decimalDigits = 0;
    SQLSMALLINT nullable = SQL_NULLABLE;
};

struct ScriptResult {
    std::vector<ScriptColumn> columns;
    std::vector<std::vector<ScriptValue>> rows;
    // Rows made on the fly after the written ones; every value is the row number.
    long long generatedRows = 0;
    std::optional<SQLLEN> rowCount;
    std::vector<CallRule> rules;  // apply only while this result set is current

    long long TotalRows() const { return static_cast<long long>(rows.size()) + generatedRows; }
};

struct Script {
    std::vector<ScriptResult> results;
    std::vector<CallRule> rules;     // apply whatever result set is current
    std::optional<SQLLEN> rowCount;  // for a statement without result sets
    std::map<SQLUSMALLINT, ScriptValue> outputParameters;
    int fetchDelayMs = 0;
    SQLSMALLINT parameterMarkers = 0;
};

struct ParsedStatement {
    std::optional<Script> script;
    std::string error;  // set when script is empty
};

// A text starting with "script:" is a script; any other text behaves like a
// query returning one INTEGER column named "1" with the single value 1, and a
// blank text like a statement without results.
ParsedStatement ParseStatementText(std::string_view text);

}  // namespace querimo::testodbc
