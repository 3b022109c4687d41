#include "call_rule.h"

#include <array>
#include <cctype>
#include <utility>

namespace querimo::testodbc {
namespace {

enum class Scope { Connection, Statement, Result };

struct ScriptableCall {
    std::string_view name;
    bool takesNumber;
    Scope scope;
};

constexpr std::array kScriptableCalls = {
    ScriptableCall{"SQLAllocStmt", false, Scope::Connection},
    ScriptableCall{"SQLSetConnectAttr", false, Scope::Connection},
    ScriptableCall{"SQLEndTran", false, Scope::Connection},
    ScriptableCall{"SQLSetStmtAttr", false, Scope::Statement},
    ScriptableCall{"SQLPrepare", false, Scope::Statement},
    ScriptableCall{"SQLExecute", false, Scope::Statement},
    ScriptableCall{"SQLBindParameter", true, Scope::Statement},
    ScriptableCall{"SQLNumParams", false, Scope::Statement},
    ScriptableCall{"SQLCloseCursor", false, Scope::Statement},
    ScriptableCall{"SQLNumResultCols", false, Scope::Result},
    ScriptableCall{"SQLDescribeCol", true, Scope::Result},
    ScriptableCall{"SQLBindCol", true, Scope::Result},
    ScriptableCall{"SQLFetch", true, Scope::Result},
    ScriptableCall{"SQLGetData", true, Scope::Result},
    ScriptableCall{"SQLRowCount", false, Scope::Result},
    ScriptableCall{"SQLMoreResults", true, Scope::Result},
};

const ScriptableCall* FindCall(std::string_view canonical) {
    for (const auto& call : kScriptableCalls) {
        if (call.name == canonical) {
            return &call;
        }
    }
    return nullptr;
}

}  // namespace

std::string UpperCase(std::string_view text) {
    std::string upper(text);
    for (char& c : upper) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return upper;
}

std::optional<std::string> CanonicalCallName(std::string_view name) {
    std::string wanted = UpperCase(name);
    if (wanted.rfind("SQL", 0) != 0) {
        wanted.insert(0, "SQL");
    }
    for (const auto& call : kScriptableCalls) {
        if (UpperCase(call.name) == wanted) {
            return std::string(call.name);
        }
    }
    return std::nullopt;
}

bool CallTakesNumber(std::string_view canonicalCall) {
    const ScriptableCall* call = FindCall(canonicalCall);
    return call != nullptr && call->takesNumber;
}

bool IsConnectionCall(std::string_view canonicalCall) {
    const ScriptableCall* call = FindCall(canonicalCall);
    return call != nullptr && call->scope == Scope::Connection;
}

bool IsResultScopedCall(std::string_view canonicalCall) {
    const ScriptableCall* call = FindCall(canonicalCall);
    return call != nullptr && call->scope == Scope::Result;
}

const CallRule* FindRule(const std::vector<CallRule>& rules, std::string_view call,
                         std::optional<long long> number) {
    for (const auto& rule : rules) {
        if (rule.call == call && (!rule.number || rule.number == number)) {
            return &rule;
        }
    }
    return nullptr;
}

std::vector<DiagRecord> RuleDiagnostics(const CallRule& rule) {
    if (!rule.diags.empty()) {
        return rule.diags;
    }
    switch (rule.code) {
        case SQL_ERROR:
            return {MakeDiag("HY000", "scripted failure of " + rule.call)};
        case SQL_SUCCESS_WITH_INFO:
            return {MakeDiag("01000", "scripted warning from " + rule.call)};
        default:
            return {};
    }
}

std::optional<SQLRETURN> ReturnCodeByName(std::string_view name) {
    static constexpr std::pair<std::string_view, SQLRETURN> kCodes[] = {
        {"SUCCESS", SQL_SUCCESS},     {"SUCCESS_WITH_INFO", SQL_SUCCESS_WITH_INFO},
        {"ERROR", SQL_ERROR},         {"INVALID_HANDLE", SQL_INVALID_HANDLE},
        {"NO_DATA", SQL_NO_DATA},     {"STILL_EXECUTING", SQL_STILL_EXECUTING},
        {"NEED_DATA", SQL_NEED_DATA},
    };
    std::string wanted = UpperCase(name);
    if (wanted.rfind("SQL_", 0) == 0) {
        wanted.erase(0, 4);
    }
    for (const auto& [codeName, code] : kCodes) {
        if (codeName == wanted) {
            return code;
        }
    }
    return std::nullopt;
}

}  // namespace querimo::testodbc
