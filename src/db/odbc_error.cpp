#include "db/odbc_error.h"

#include "db/notice.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

constexpr SQLSMALLINT kMessageBufferSize = 1024;
// A driver that never answers SQL_NO_DATA must still end the column walk.
constexpr SQLSMALLINT kMaxDiagnosticRecords = 10000;
constexpr std::size_t kBoxTextSize = 768;

}  // namespace

bool ODBCError::Load(const ODBCBase& object, const char* source, SQLRETURN ret) {
    m_sqlState[0] = '\0';
    m_message.clear();
    m_source = source;
    m_retcode = ret;
    if (ret == SQL_NO_DATA) {
        m_message = "Function returned no data (EOF)";
        return false;
    }
    if (ret == SQL_INVALID_HANDLE) {
        m_message = "Invalid handle passed to ODBC";
        return false;
    }
    SQLCHAR message[kMessageBufferSize] = {};
    SQLRETURN rc =
        SQLError(object.GetEnvHandle(), object.GetDbcHandle(), object.GetStmtHandle(), m_sqlState,
                 &m_nativeError, message, kMessageBufferSize, &m_messageLength);
    message[kMessageBufferSize - 1] = '\0';
    m_message = reinterpret_cast<const char*>(message);
    if (!IsSqlSuccess(rc)) {
        return false;
    }
    m_sqlState[5] = '\0';
    if (object.GetStmtHandle() != nullptr) {
        AppendColumnNumbers(object.GetStmtHandle());
    }
    return true;
}

void ODBCError::AppendColumnNumbers(SQLHSTMT stmt) {
    SQLINTEGER column = 0;
    for (SQLSMALLINT record = 1; record <= kMaxDiagnosticRecords; ++record) {
        SQLSMALLINT length = 0;
        SQLRETURN rc = SQLGetDiagField(SQL_HANDLE_STMT, stmt, record, SQL_DIAG_COLUMN_NUMBER,
                                       &column, sizeof(column), &length);
        if (!IsSqlSuccess(rc)) {
            return;
        }
        if (column != SQL_NO_COLUMN_NUMBER && column != SQL_COLUMN_NUMBER_UNKNOWN) {
            m_message += " + column #" + std::to_string(column);
        }
    }
}

long ODBCError::DisplayNumber() const {
    return m_nativeError != 0 ? static_cast<long>(m_nativeError) : static_cast<long>(m_retcode);
}

void ODBCError::FormatBoxText(char* buffer, std::size_t size) const {
    if (size == 0) {
        return;
    }
    // snprintf cuts and terminates, so a long driver message never runs past the buffer.
    std::snprintf(buffer, size, "ODBC Error %ld: \"%s\" (%s)", DisplayNumber(), m_message.c_str(),
                  reinterpret_cast<const char*>(m_sqlState));
}

std::string ODBCError::FormatBoxText() const {
    std::string text = "ODBC Error " + std::to_string(DisplayNumber()) + ": \"" + m_message +
                       "\" (" + reinterpret_cast<const char*>(m_sqlState) + ")";
    return text;
}

std::string ODBCError::GetText() const {
    std::string text = "Application Error " + std::to_string(DisplayNumber()) + ": ";
    if (!m_message.empty()) {
        text += '"' + m_message + '"';
    }
    if (m_sqlState[0] != '\0') {
        text += " (" + std::string(reinterpret_cast<const char*>(m_sqlState)) + ")";
    }
    return text;
}

void ODBCErrorHandler::HandleError(ODBCError* error) {
    if (error == nullptr) {
        return;
    }
    char text[kBoxTextSize];
    error->FormatBoxText(text, sizeof(text));
    ShowNotice("ODBC Error", text,
               error->m_retcode == SQL_ERROR ? NoticeIcon::Exclamation : NoticeIcon::Information);
}
