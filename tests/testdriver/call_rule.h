// A scripted outcome of one driver call: "SQLFetch at row 3 returns SQL_ERROR
// with these records". Rules come from statement scripts and from connection
// keywords such as FailAllocStmt.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "diagnostics.h"
#include "odbc_api.h"

namespace querimo::testodbc {

struct CallRule {
    std::string call;                 // canonical name, e.g. "SQLFetch"
    std::optional<long long> number;  // column, row, parameter or result set; any when empty
    SQLRETURN code = SQL_ERROR;
    std::vector<DiagRecord> diags;  // empty: a default record for the code
};

// "fetch", "Fetch" and "SQLFetch" all name SQLFetch; empty for a call that
// cannot be scripted.
std::optional<std::string> CanonicalCallName(std::string_view name);

// Whether "@n" means something for this call (column, row, parameter, result set).
bool CallTakesNumber(std::string_view canonicalCall);

// Calls made on a connection handle rather than a statement.
bool IsConnectionCall(std::string_view canonicalCall);

// Calls about the current result set; a script rule for them placed after a
// result(...) applies only while that result set is current.
bool IsResultScopedCall(std::string_view canonicalCall);

// The first rule for the call whose number is absent or equal to number.
const CallRule* FindRule(const std::vector<CallRule>& rules, std::string_view call,
                         std::optional<long long> number);

// The rule's records, or one default record when it names none.
std::vector<DiagRecord> RuleDiagnostics(const CallRule& rule);

// "ERROR", "SQL_ERROR", "NO_DATA", ... ; empty when the name is unknown.
std::optional<SQLRETURN> ReturnCodeByName(std::string_view name);

std::string UpperCase(std::string_view text);

}  // namespace querimo::testodbc
