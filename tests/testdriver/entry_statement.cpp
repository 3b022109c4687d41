// Statement calls: each hands its arguments to the Statement object.
#include "entry_support.h"

using namespace querimo::testodbc;

extern "C" {

SQLRETURN SQL_API SQLPrepare(SQLHSTMT statementHandle, SQLCHAR* text, SQLINTEGER textLength) {
    return RunOn<Statement>(statementHandle, "SQLPrepare", [&](Statement& statement) -> SQLRETURN {
        return statement.Prepare(TextArgument(text, textLength));
    });
}

SQLRETURN SQL_API SQLExecute(SQLHSTMT statementHandle) {
    return RunOn<Statement>(statementHandle, "SQLExecute",
                            [](Statement& statement) -> SQLRETURN { return statement.Execute(); });
}

SQLRETURN SQL_API SQLExecDirect(SQLHSTMT statementHandle, SQLCHAR* text, SQLINTEGER textLength) {
    return RunOn<Statement>(
        statementHandle, "SQLExecDirect", [&](Statement& statement) -> SQLRETURN {
            const SQLRETURN prepared = statement.Prepare(TextArgument(text, textLength));
            if (prepared != SQL_SUCCESS && prepared != SQL_SUCCESS_WITH_INFO) {
                return prepared;
            }
            const SQLRETURN executed = statement.Execute();
            return executed == SQL_SUCCESS ? prepared : executed;
        });
}

SQLRETURN SQL_API SQLNumResultCols(SQLHSTMT statementHandle, SQLSMALLINT* columnCount) {
    return RunOn<Statement>(
        statementHandle, "SQLNumResultCols",
        [&](Statement& statement) -> SQLRETURN { return statement.NumResultCols(columnCount); });
}

SQLRETURN SQL_API SQLDescribeCol(SQLHSTMT statementHandle, SQLUSMALLINT columnNumber,
                                 SQLCHAR* columnName, SQLSMALLINT bufferLength,
                                 SQLSMALLINT* nameLength, SQLSMALLINT* dataType,
                                 SQLULEN* columnSize, SQLSMALLINT* decimalDigits,
                                 SQLSMALLINT* nullable) {
    return RunOn<Statement>(
        statementHandle, "SQLDescribeCol", [&](Statement& statement) -> SQLRETURN {
            return statement.DescribeCol(columnNumber, columnName, bufferLength, nameLength,
                                         dataType, columnSize, decimalDigits, nullable);
        });
}

SQLRETURN SQL_API SQLBindCol(SQLHSTMT statementHandle, SQLUSMALLINT columnNumber,
                             SQLSMALLINT targetType, SQLPOINTER targetValue, SQLLEN bufferLength,
                             SQLLEN* indicator) {
    return RunOn<Statement>(statementHandle, "SQLBindCol", [&](Statement& statement) -> SQLRETURN {
        return statement.BindCol(columnNumber, targetType, targetValue, bufferLength, indicator);
    });
}

SQLRETURN SQL_API SQLBindParameter(SQLHSTMT statementHandle, SQLUSMALLINT parameterNumber,
                                   SQLSMALLINT ioType, SQLSMALLINT valueType,
                                   SQLSMALLINT /*parameterType*/, SQLULEN /*columnSize*/,
                                   SQLSMALLINT /*decimalDigits*/, SQLPOINTER value,
                                   SQLLEN bufferLength, SQLLEN* indicator) {
    return RunOn<Statement>(statementHandle, "SQLBindParameter",
                            [&](Statement& statement) -> SQLRETURN {
                                return statement.BindParameter(parameterNumber, ioType, valueType,
                                                               value, bufferLength, indicator);
                            });
}

SQLRETURN SQL_API SQLNumParams(SQLHSTMT statementHandle, SQLSMALLINT* parameterCount) {
    return RunOn<Statement>(
        statementHandle, "SQLNumParams",
        [&](Statement& statement) -> SQLRETURN { return statement.NumParams(parameterCount); });
}

SQLRETURN SQL_API SQLFetch(SQLHSTMT statementHandle) {
    return RunOn<Statement>(statementHandle, "SQLFetch",
                            [](Statement& statement) -> SQLRETURN { return statement.Fetch(); });
}

SQLRETURN SQL_API SQLGetData(SQLHSTMT statementHandle, SQLUSMALLINT columnNumber,
                             SQLSMALLINT targetType, SQLPOINTER targetValue, SQLLEN bufferLength,
                             SQLLEN* indicator) {
    return RunOn<Statement>(statementHandle, "SQLGetData", [&](Statement& statement) -> SQLRETURN {
        return statement.GetData(columnNumber, targetType, targetValue, bufferLength, indicator);
    });
}

SQLRETURN SQL_API SQLRowCount(SQLHSTMT statementHandle, SQLLEN* rowCount) {
    return RunOn<Statement>(statementHandle, "SQLRowCount", [&](Statement& statement) -> SQLRETURN {
        return statement.RowCount(rowCount);
    });
}

SQLRETURN SQL_API SQLMoreResults(SQLHSTMT statementHandle) {
    return RunOn<Statement>(
        statementHandle, "SQLMoreResults",
        [](Statement& statement) -> SQLRETURN { return statement.MoreResults(); });
}

SQLRETURN SQL_API SQLCloseCursor(SQLHSTMT statementHandle) {
    return RunOn<Statement>(
        statementHandle, "SQLCloseCursor",
        [](Statement& statement) -> SQLRETURN { return statement.CloseCursor(true); });
}

// Cancel may arrive from another thread while a fetch is running on the
// statement, so it leaves the statement's diagnostics alone.
SQLRETURN SQL_API SQLCancel(SQLHSTMT statementHandle) {
    CountCall("SQLCancel");
    Statement* statement = Lookup<Statement>(statementHandle);
    if (statement == nullptr) {
        return SQL_INVALID_HANDLE;
    }
    statement->Cancel();
    return SQL_SUCCESS;
}

SQLRETURN SQL_API SQLSetStmtAttr(SQLHSTMT statementHandle, SQLINTEGER attribute, SQLPOINTER value,
                                 SQLINTEGER /*stringLength*/) {
    return RunOn<Statement>(statementHandle, "SQLSetStmtAttr",
                            [&](Statement& statement) -> SQLRETURN {
                                return statement.SetAttribute(attribute, value);
                            });
}

SQLRETURN SQL_API SQLGetStmtAttr(SQLHSTMT statementHandle, SQLINTEGER attribute, SQLPOINTER value,
                                 SQLINTEGER /*bufferLength*/, SQLINTEGER* stringLength) {
    return RunOn<Statement>(statementHandle, "SQLGetStmtAttr",
                            [&](Statement& statement) -> SQLRETURN {
                                StoreLength(stringLength, sizeof(SQLULEN));
                                return statement.GetAttribute(attribute, value);
                            });
}

}  // extern "C"
