// Reading diagnostics. These calls never clear the records they report.
#include <cstring>

#include "entry_support.h"

using namespace querimo::testodbc;

namespace {

DiagArea* AreaOf(SQLSMALLINT handleType, SQLHANDLE handle) {
    switch (handleType) {
        case SQL_HANDLE_ENV:
            if (Environment* environment = Lookup<Environment>(handle)) {
                return &environment->diags;
            }
            return nullptr;
        case SQL_HANDLE_DBC:
            if (Connection* connection = Lookup<Connection>(handle)) {
                return &connection->diags;
            }
            return nullptr;
        case SQL_HANDLE_STMT:
            if (Statement* statement = Lookup<Statement>(handle)) {
                return &statement->diags;
            }
            return nullptr;
        default:
            return nullptr;
    }
}

SQLRETURN ReturnRecord(const DiagRecord& record, SQLCHAR* sqlState, SQLINTEGER* nativeError,
                       SQLCHAR* message, SQLSMALLINT bufferLength, SQLSMALLINT* textLength) {
    CopyText(record.sqlState, sqlState, SQL_SQLSTATE_SIZE + 1);
    if (nativeError != nullptr) {
        *nativeError = record.nativeError;
    }
    StoreLength(textLength, record.message.size());
    return CopyText(record.message, message, bufferLength) ? SQL_SUCCESS_WITH_INFO : SQL_SUCCESS;
}

SQLRETURN ReturnDiagText(std::string_view text, SQLPOINTER info, SQLSMALLINT bufferLength,
                         SQLSMALLINT* length) {
    StoreLength(length, text.size());
    return CopyText(text, info, bufferLength) ? SQL_SUCCESS_WITH_INFO : SQL_SUCCESS;
}

template <class T>
SQLRETURN ReturnDiagNumber(T value, SQLPOINTER info) {
    if (info != nullptr) {
        std::memcpy(info, &value, sizeof value);
    }
    return SQL_SUCCESS;
}

std::string_view OriginOf(const DiagRecord& record) {
    return record.sqlState.rfind("IM", 0) == 0 ? "ODBC 3.0" : "ISO 9075";
}

SQLRETURN HeaderField(const DiagArea& area, SQLSMALLINT handleType, SQLSMALLINT identifier,
                      SQLPOINTER info, SQLSMALLINT bufferLength, SQLSMALLINT* length) {
    switch (identifier) {
        case SQL_DIAG_NUMBER:
            return ReturnDiagNumber(static_cast<SQLINTEGER>(area.Records().size()), info);
        case SQL_DIAG_RETURNCODE:
            return ReturnDiagNumber(area.ReturnCode(), info);
        default:
            break;
    }
    if (handleType != SQL_HANDLE_STMT) {
        return SQL_ERROR;
    }
    switch (identifier) {
        case SQL_DIAG_ROW_COUNT:
        case SQL_DIAG_CURSOR_ROW_COUNT:
            return ReturnDiagNumber(static_cast<SQLLEN>(0), info);
        case SQL_DIAG_DYNAMIC_FUNCTION:
            return ReturnDiagText("", info, bufferLength, length);
        case SQL_DIAG_DYNAMIC_FUNCTION_CODE:
            return ReturnDiagNumber(static_cast<SQLINTEGER>(SQL_DIAG_UNKNOWN_STATEMENT), info);
        default:
            return SQL_ERROR;
    }
}

SQLRETURN RecordField(const DiagRecord& record, SQLSMALLINT handleType, SQLSMALLINT identifier,
                      SQLPOINTER info, SQLSMALLINT bufferLength, SQLSMALLINT* length) {
    switch (identifier) {
        case SQL_DIAG_SQLSTATE:
            return ReturnDiagText(record.sqlState, info, bufferLength, length);
        case SQL_DIAG_NATIVE:
            return ReturnDiagNumber(record.nativeError, info);
        case SQL_DIAG_MESSAGE_TEXT:
            return ReturnDiagText(record.message, info, bufferLength, length);
        case SQL_DIAG_CLASS_ORIGIN:
        case SQL_DIAG_SUBCLASS_ORIGIN:
            return ReturnDiagText(OriginOf(record), info, bufferLength, length);
        case SQL_DIAG_CONNECTION_NAME:
            return ReturnDiagText("", info, bufferLength, length);
        case SQL_DIAG_SERVER_NAME:
            return ReturnDiagText("testdriver", info, bufferLength, length);
        case SQL_DIAG_COLUMN_NUMBER:
            return handleType == SQL_HANDLE_STMT ? ReturnDiagNumber(record.columnNumber, info)
                                                 : SQL_ERROR;
        case SQL_DIAG_ROW_NUMBER:
            return handleType == SQL_HANDLE_STMT ? ReturnDiagNumber(record.rowNumber, info)
                                                 : SQL_ERROR;
        default:
            return SQL_ERROR;
    }
}

bool IsHeaderField(SQLSMALLINT identifier) {
    switch (identifier) {
        case SQL_DIAG_NUMBER:
        case SQL_DIAG_RETURNCODE:
        case SQL_DIAG_ROW_COUNT:
        case SQL_DIAG_CURSOR_ROW_COUNT:
        case SQL_DIAG_DYNAMIC_FUNCTION:
        case SQL_DIAG_DYNAMIC_FUNCTION_CODE:
            return true;
        default:
            return false;
    }
}

}  // namespace

extern "C" {

SQLRETURN SQL_API SQLGetDiagRec(SQLSMALLINT handleType, SQLHANDLE handle, SQLSMALLINT recordNumber,
                                SQLCHAR* sqlState, SQLINTEGER* nativeError, SQLCHAR* message,
                                SQLSMALLINT bufferLength, SQLSMALLINT* textLength) {
    CountCall("SQLGetDiagRec");
    const DiagArea* area = AreaOf(handleType, handle);
    if (area == nullptr) {
        return SQL_INVALID_HANDLE;
    }
    if (recordNumber < 1 || bufferLength < 0) {
        return SQL_ERROR;
    }
    const DiagRecord* record = area->Record(recordNumber);
    if (record == nullptr) {
        return SQL_NO_DATA;
    }
    return ReturnRecord(*record, sqlState, nativeError, message, bufferLength, textLength);
}

SQLRETURN SQL_API SQLGetDiagField(SQLSMALLINT handleType, SQLHANDLE handle,
                                  SQLSMALLINT recordNumber, SQLSMALLINT identifier, SQLPOINTER info,
                                  SQLSMALLINT bufferLength, SQLSMALLINT* length) {
    CountCall("SQLGetDiagField");
    const DiagArea* area = AreaOf(handleType, handle);
    if (area == nullptr) {
        return SQL_INVALID_HANDLE;
    }
    if (IsHeaderField(identifier)) {
        return HeaderField(*area, handleType, identifier, info, bufferLength, length);
    }
    if (recordNumber < 1) {
        return SQL_ERROR;
    }
    const DiagRecord* record = area->Record(recordNumber);
    if (record == nullptr) {
        return SQL_NO_DATA;
    }
    return RecordField(*record, handleType, identifier, info, bufferLength, length);
}

// ODBC 2 style: the most specific handle given, each record once.
SQLRETURN SQL_API SQLError(SQLHENV environmentHandle, SQLHDBC connectionHandle,
                           SQLHSTMT statementHandle, SQLCHAR* sqlState, SQLINTEGER* nativeError,
                           SQLCHAR* message, SQLSMALLINT bufferLength, SQLSMALLINT* textLength) {
    CountCall("SQLError");
    DiagArea* area = statementHandle != SQL_NULL_HSTMT ? AreaOf(SQL_HANDLE_STMT, statementHandle)
                     : connectionHandle != SQL_NULL_HDBC
                         ? AreaOf(SQL_HANDLE_DBC, connectionHandle)
                         : AreaOf(SQL_HANDLE_ENV, environmentHandle);
    if (area == nullptr) {
        return SQL_INVALID_HANDLE;
    }
    const DiagRecord* record = area->TakeNextForSqlError();
    if (record == nullptr) {
        return SQL_NO_DATA;
    }
    return ReturnRecord(*record, sqlState, nativeError, message, bufferLength, textLength);
}

}  // extern "C"
