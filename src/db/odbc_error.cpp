#include "db/odbc_error.h"

#include "db/notice.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>

namespace {

constexpr std::size_t kBoxTextSize = 768;

struct DiagnosticHandle {
    SQLSMALLINT type;
    SQLHANDLE handle;
};

// A call leaves its records on the most specific handle it was given.
DiagnosticHandle MostSpecificHandle(const ODBCBase& object) {
    if (object.GetStmtHandle() != nullptr) {
        return {SQL_HANDLE_STMT, object.GetStmtHandle()};
    }
    if (object.GetDbcHandle() != nullptr) {
        return {SQL_HANDLE_DBC, object.GetDbcHandle()};
    }
    return {SQL_HANDLE_ENV, object.GetEnvHandle()};
}

// Room for a message of `length` characters and its terminator, as far as ODBC can say it.
SQLSMALLINT BufferFor(SQLSMALLINT length) {
    return static_cast<SQLSMALLINT>(std::clamp<int>(length + 1, 1, SHRT_MAX));
}

// Most messages fit the first buffer. psqlodbc cuts a message into records of the first buffer's
// size, and a buffer of exactly the message's size leaves an empty record after it.
constexpr SQLSMALLINT kFirstMessageBuffer = 1024;

}  // namespace

bool ODBCError::Load(const ODBCBase& object, const char* source, SQLRETURN ret,
                     SQLSMALLINT number) {
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
    const DiagnosticHandle diagnostics = MostSpecificHandle(object);
    if (diagnostics.handle == nullptr ||
        !ReadRecord(diagnostics.type, diagnostics.handle, number)) {
        return false;
    }
    if (diagnostics.type == SQL_HANDLE_STMT) {
        AppendColumnNumbers(diagnostics.handle, object.GetBoundColumns());
    }
    return true;
}

// A message longer than the first buffer is read again whole, once more if it grew between the
// reads: drivers do not all say when they cut one.
bool ODBCError::ReadRecord(SQLSMALLINT handleType, SQLHANDLE handle, SQLSMALLINT number) {
    SQLSMALLINT length = 0;
    SQLSMALLINT size = kFirstMessageBuffer;
    std::string text(static_cast<std::size_t>(size), '\0');
    SQLRETURN rc = SQLGetDiagRec(handleType, handle, number, m_sqlState, &m_nativeError,
                                 reinterpret_cast<SQLCHAR*>(text.data()), size, &length);
    for (int read = 0; read < 2 && IsSqlSuccess(rc) && length >= size; ++read) {
        size = BufferFor(length);
        text.assign(static_cast<std::size_t>(size), '\0');
        rc = SQLGetDiagRec(handleType, handle, number, m_sqlState, &m_nativeError,
                           reinterpret_cast<SQLCHAR*>(text.data()), size, &length);
    }
    if (!IsSqlSuccess(rc)) {
        return false;
    }
    m_sqlState[5] = '\0';
    m_messageLength = length;
    m_message.assign(text.c_str());
    return true;
}

void ODBCError::AppendColumnNumbers(SQLHSTMT stmt, int columnCount) {
    for (SQLSMALLINT record = 1; record <= kMaxRecords; ++record) {
        // Drivers that leave the field alone leave whatever it held, so it starts at none.
        SQLINTEGER column = SQL_NO_COLUMN_NUMBER;
        SQLSMALLINT length = 0;
        SQLRETURN rc = SQLGetDiagField(SQL_HANDLE_STMT, stmt, record, SQL_DIAG_COLUMN_NUMBER,
                                       &column, sizeof(column), &length);
        if (!IsSqlSuccess(rc)) {
            return;
        }
        if (column >= 1 && column <= columnCount) {
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
