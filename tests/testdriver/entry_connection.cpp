// Environment and connection calls: attributes, connecting and transactions.
#include <cstdint>

#include "entry_support.h"

using namespace querimo::testodbc;

namespace {

bool Succeeded(SQLRETURN rc) {
    return rc == SQL_SUCCESS || rc == SQL_SUCCESS_WITH_INFO;
}

// A Fail<Call>= or Info<Call>= keyword of the connection replaces the call.
template <class Work>
SQLRETURN WithConnectionRule(Connection& connection, std::string_view call, Work work) {
    const CallRule* rule = FindRule(connection.options.rules, call, std::nullopt);
    if (rule == nullptr) {
        return work();
    }
    connection.diags.AddAll(RuleDiagnostics(*rule));
    if (!Succeeded(rule->code)) {
        return rule->code;
    }
    const SQLRETURN rc = work();
    return rc == SQL_SUCCESS ? rule->code : rc;
}

SQLRETURN Connect(Connection& connection, const std::string& connectionString,
                  SQLCHAR* completedOut, SQLSMALLINT completedCapacity,
                  SQLSMALLINT* completedLength) {
    if (connection.connected) {
        return DiagError(connection.diags, "08002", "Connection name in use");
    }
    ParsedConnectOptions parsed = ParseConnectOptions(connectionString);
    if (parsed.error) {
        return DiagError(connection.diags, "HY000", "testdriver: " + *parsed.error);
    }
    ConnectOptions& options = parsed.options;
    connection.diags.AddAll(options.connectDiags);
    SQLRETURN rc = options.connectReturn;
    if (!Succeeded(rc)) {
        return rc;
    }
    StoreLength(completedLength, options.completed.size());
    if (CopyText(options.completed, completedOut, completedCapacity) && rc == SQL_SUCCESS) {
        connection.diags.Add(MakeDiag("01004", "String data, right truncated"));
        rc = SQL_SUCCESS_WITH_INFO;
    }
    connection.options = std::move(options);
    connection.connected = true;
    return rc;
}

bool IsStringConnectAttribute(SQLINTEGER attribute) {
    return attribute == SQL_ATTR_CURRENT_CATALOG || attribute == SQL_ATTR_TRACEFILE ||
           attribute == SQL_ATTR_TRANSLATE_LIB;
}

SQLUINTEGER DefaultConnectAttribute(const Connection& connection, SQLINTEGER attribute) {
    switch (attribute) {
        case SQL_ATTR_AUTOCOMMIT:
            return SQL_AUTOCOMMIT_ON;
        case SQL_ATTR_TXN_ISOLATION:
            return SQL_TXN_READ_COMMITTED;
        case SQL_ATTR_CONNECTION_DEAD:
            return connection.connected ? SQL_CD_FALSE : SQL_CD_TRUE;
        default:
            return 0;
    }
}

}  // namespace

extern "C" {

SQLRETURN SQL_API SQLSetEnvAttr(SQLHENV environmentHandle, SQLINTEGER attribute, SQLPOINTER value,
                                SQLINTEGER /*stringLength*/) {
    return RunOn<Environment>(
        environmentHandle, "SQLSetEnvAttr", [&](Environment& environment) -> SQLRETURN {
            if (attribute == SQL_ATTR_ODBC_VERSION) {
                environment.odbcVersion =
                    static_cast<SQLINTEGER>(reinterpret_cast<std::intptr_t>(value));
            }
            return SQL_SUCCESS;
        });
}

SQLRETURN SQL_API SQLGetEnvAttr(SQLHENV environmentHandle, SQLINTEGER attribute, SQLPOINTER value,
                                SQLINTEGER /*bufferLength*/, SQLINTEGER* stringLength) {
    return RunOn<Environment>(
        environmentHandle, "SQLGetEnvAttr", [&](Environment& environment) -> SQLRETURN {
            if (value != nullptr) {
                *static_cast<SQLINTEGER*>(value) =
                    attribute == SQL_ATTR_ODBC_VERSION ? environment.odbcVersion : 0;
            }
            StoreLength(stringLength, sizeof(SQLINTEGER));
            return SQL_SUCCESS;
        });
}

SQLRETURN SQL_API SQLDriverConnect(SQLHDBC connectionHandle, SQLHWND /*windowHandle*/,
                                   SQLCHAR* inConnectionString, SQLSMALLINT inLength,
                                   SQLCHAR* outConnectionString, SQLSMALLINT outCapacity,
                                   SQLSMALLINT* outLength, SQLUSMALLINT /*driverCompletion*/) {
    return RunOn<Connection>(
        connectionHandle, "SQLDriverConnect", [&](Connection& connection) -> SQLRETURN {
            return Connect(connection, TextArgument(inConnectionString, inLength),
                           outConnectionString, outCapacity, outLength);
        });
}

// A data source name alone carries no keywords: an ordinary connection.
SQLRETURN SQL_API SQLConnect(SQLHDBC connectionHandle, SQLCHAR* serverName,
                             SQLSMALLINT serverNameLength, SQLCHAR* /*userName*/,
                             SQLSMALLINT /*userNameLength*/, SQLCHAR* /*password*/,
                             SQLSMALLINT /*passwordLength*/) {
    return RunOn<Connection>(
        connectionHandle, "SQLConnect", [&](Connection& connection) -> SQLRETURN {
            return Connect(connection, "CompletedDSN=" + TextArgument(serverName, serverNameLength),
                           nullptr, 0, nullptr);
        });
}

SQLRETURN SQL_API SQLDisconnect(SQLHDBC connectionHandle) {
    return RunOn<Connection>(
        connectionHandle, "SQLDisconnect", [](Connection& connection) -> SQLRETURN {
            if (!connection.connected) {
                return DiagError(connection.diags, "08003", "Connection not open");
            }
            connection.DropStatements();
            connection.connected = false;
            connection.options = ConnectOptions{};
            return SQL_SUCCESS;
        });
}

SQLRETURN SQL_API SQLSetConnectAttr(SQLHDBC connectionHandle, SQLINTEGER attribute,
                                    SQLPOINTER value, SQLINTEGER /*stringLength*/) {
    return RunOn<Connection>(
        connectionHandle, "SQLSetConnectAttr", [&](Connection& connection) -> SQLRETURN {
            return WithConnectionRule(connection, "SQLSetConnectAttr", [&]() -> SQLRETURN {
                if (!IsStringConnectAttribute(attribute)) {
                    connection.attributes[attribute] = reinterpret_cast<SQLULEN>(value);
                }
                return SQL_SUCCESS;
            });
        });
}

SQLRETURN SQL_API SQLGetConnectAttr(SQLHDBC connectionHandle, SQLINTEGER attribute,
                                    SQLPOINTER value, SQLINTEGER bufferLength,
                                    SQLINTEGER* stringLength) {
    return RunOn<Connection>(
        connectionHandle, "SQLGetConnectAttr", [&](Connection& connection) -> SQLRETURN {
            if (IsStringConnectAttribute(attribute)) {
                return ReturnText(connection.diags, "", value, bufferLength, stringLength);
            }
            const auto stored = connection.attributes.find(attribute);
            const SQLUINTEGER number = stored != connection.attributes.end()
                                           ? static_cast<SQLUINTEGER>(stored->second)
                                           : DefaultConnectAttribute(connection, attribute);
            if (value != nullptr) {
                *static_cast<SQLUINTEGER*>(value) = number;
            }
            StoreLength(stringLength, sizeof(SQLUINTEGER));
            return SQL_SUCCESS;
        });
}

SQLRETURN SQL_API SQLEndTran(SQLSMALLINT handleType, SQLHANDLE handle,
                             SQLSMALLINT /*completionType*/) {
    if (handleType == SQL_HANDLE_ENV) {
        return RunOn<Environment>(handle, "SQLEndTran",
                                  [](Environment&) -> SQLRETURN { return SQL_SUCCESS; });
    }
    return RunOn<Connection>(handle, "SQLEndTran", [](Connection& connection) -> SQLRETURN {
        return WithConnectionRule(connection, "SQLEndTran",
                                  []() -> SQLRETURN { return SQL_SUCCESS; });
    });
}

}  // extern "C"
