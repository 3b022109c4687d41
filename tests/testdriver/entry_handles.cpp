// Allocating and freeing handles. Whichever entry point the driver manager
// uses (SQLAllocHandle or SQLAllocStmt, SQLFreeHandle or SQLFreeStmt), the call
// is counted under one name, so tests need not know the manager's choice.
#include <memory>

#include "entry_support.h"

using namespace querimo::testodbc;

namespace {

SQLRETURN AllocEnvironment(SQLHANDLE* output) {
    CountCall("SQLAllocEnv");
    if (output == nullptr) {
        return SQL_ERROR;
    }
    *output = new (std::nothrow) Environment();
    return *output == nullptr ? SQL_ERROR : SQL_SUCCESS;
}

SQLRETURN AllocConnection(SQLHANDLE environmentHandle, SQLHANDLE* output) {
    return RunOn<Environment>(
        environmentHandle, "SQLAllocConnect", [&](Environment& environment) -> SQLRETURN {
            if (output == nullptr) {
                return DiagError(environment.diags, "HY009", "Invalid use of null pointer");
            }
            *output = &environment.AddConnection();
            return SQL_SUCCESS;
        });
}

SQLRETURN AllocStatement(SQLHANDLE connectionHandle, SQLHANDLE* output) {
    return RunOn<Connection>(
        connectionHandle, "SQLAllocStmt", [&](Connection& connection) -> SQLRETURN {
            if (output == nullptr) {
                return DiagError(connection.diags, "HY009", "Invalid use of null pointer");
            }
            *output = SQL_NULL_HSTMT;
            if (!connection.connected) {
                return DiagError(connection.diags, "08003", "Connection not open");
            }
            SQLRETURN rc = SQL_SUCCESS;
            if (const CallRule* rule =
                    FindRule(connection.options.rules, "SQLAllocStmt", std::nullopt)) {
                connection.diags.AddAll(RuleDiagnostics(*rule));
                if (rule->code != SQL_SUCCESS && rule->code != SQL_SUCCESS_WITH_INFO) {
                    return rule->code;
                }
                rc = rule->code;
            }
            *output = &connection.AddStatement();
            return rc;
        });
}

SQLRETURN FreeEnvironment(SQLHANDLE handle) {
    CountCall("SQLFreeEnv");
    Environment* environment = Lookup<Environment>(handle);
    if (environment == nullptr) {
        return SQL_INVALID_HANDLE;
    }
    environment->diags.Clear();
    if (!environment->connections.empty()) {
        return DiagError(environment->diags, "HY010",
                         "Function sequence error: connections still allocated");
    }
    delete environment;
    return SQL_SUCCESS;
}

SQLRETURN FreeConnection(SQLHANDLE handle) {
    CountCall("SQLFreeConnect");
    Connection* connection = Lookup<Connection>(handle);
    if (connection == nullptr) {
        return SQL_INVALID_HANDLE;
    }
    connection->diags.Clear();
    if (connection->connected) {
        return DiagError(connection->diags, "HY010", "Function sequence error: still connected");
    }
    connection->environment.RemoveConnection(*connection);
    return SQL_SUCCESS;
}

SQLRETURN DropStatement(SQLHANDLE handle) {
    CountCall("SQLFreeStmt_DROP");
    Statement* statement = Lookup<Statement>(handle);
    if (statement == nullptr) {
        return SQL_INVALID_HANDLE;
    }
    statement->connection.RemoveStatement(*statement);
    return SQL_SUCCESS;
}

}  // namespace

extern "C" {

SQLRETURN SQL_API SQLAllocHandle(SQLSMALLINT handleType, SQLHANDLE inputHandle,
                                 SQLHANDLE* outputHandle) {
    switch (handleType) {
        case SQL_HANDLE_ENV:
            return AllocEnvironment(outputHandle);
        case SQL_HANDLE_DBC:
            return AllocConnection(inputHandle, outputHandle);
        case SQL_HANDLE_STMT:
            return AllocStatement(inputHandle, outputHandle);
        default:
            return SQL_ERROR;  // descriptors are not offered
    }
}

SQLRETURN SQL_API SQLAllocEnv(SQLHENV* environmentHandle) {
    return AllocEnvironment(environmentHandle);
}

SQLRETURN SQL_API SQLAllocConnect(SQLHENV environmentHandle, SQLHDBC* connectionHandle) {
    return AllocConnection(environmentHandle, connectionHandle);
}

SQLRETURN SQL_API SQLAllocStmt(SQLHDBC connectionHandle, SQLHSTMT* statementHandle) {
    return AllocStatement(connectionHandle, statementHandle);
}

SQLRETURN SQL_API SQLFreeHandle(SQLSMALLINT handleType, SQLHANDLE handle) {
    switch (handleType) {
        case SQL_HANDLE_ENV:
            return FreeEnvironment(handle);
        case SQL_HANDLE_DBC:
            return FreeConnection(handle);
        case SQL_HANDLE_STMT:
            return DropStatement(handle);
        default:
            return SQL_INVALID_HANDLE;
    }
}

SQLRETURN SQL_API SQLFreeEnv(SQLHENV environmentHandle) {
    return FreeEnvironment(environmentHandle);
}

SQLRETURN SQL_API SQLFreeConnect(SQLHDBC connectionHandle) {
    return FreeConnection(connectionHandle);
}

SQLRETURN SQL_API SQLFreeStmt(SQLHSTMT statementHandle, SQLUSMALLINT option) {
    switch (option) {
        case SQL_DROP:
            return DropStatement(statementHandle);
        case SQL_CLOSE:
            return RunOn<Statement>(
                statementHandle, "SQLFreeStmt_CLOSE",
                [](Statement& statement) -> SQLRETURN { return statement.CloseCursor(false); });
        case SQL_UNBIND:
            return RunOn<Statement>(statementHandle, "SQLFreeStmt_UNBIND",
                                    [](Statement& statement) -> SQLRETURN {
                                        statement.Unbind();
                                        return SQL_SUCCESS;
                                    });
        case SQL_RESET_PARAMS:
            return RunOn<Statement>(statementHandle, "SQLFreeStmt_RESET_PARAMS",
                                    [](Statement& statement) -> SQLRETURN {
                                        statement.ResetParameters();
                                        return SQL_SUCCESS;
                                    });
        default:
            return RunOn<Statement>(statementHandle, "SQLFreeStmt",
                                    [](Statement& statement) -> SQLRETURN {
                                        return DiagError(statement.diags, "HY092",
                                                         "Invalid attribute/option identifier");
                                    });
    }
}

}  // extern "C"
