// Values longer than their bound element: noticing them, and reading them whole with SQLGetData.

#include "db/odbc_column.h"
#include "db/odbc_stmt.h"
#include "db/utf16.h"

#include <algorithm>
#include <cstring>

namespace {

// Read this many characters per call: a long value costs a few times its own size, never more.
constexpr std::size_t kChunkUnits = std::size_t{1} << 20;
// A length the driver announces is trusted this far before any of the value has arrived.
constexpr std::size_t kMostReserved = std::size_t{64} << 20;

}  // namespace

std::string_view ODBCColumn::ElementBytes() const {
    if (m_data.empty()) {
        return {};
    }
    const char* bytes = reinterpret_cast<const char*>(m_data.data());
    const std::size_t capacity = std::min(ElementCapacity(), m_data.size());
    if (m_cType != SQL_C_WCHAR) {
        return {bytes, strnlen(bytes, capacity)};
    }
    std::size_t length = 0;
    while (length + 1 < capacity && (bytes[length] != 0 || bytes[length + 1] != 0)) {
        length += sizeof(char16_t);
    }
    return {bytes, length};
}

SQLRETURN ODBCColumn::GetData(SQLUSMALLINT columnNumber, ODBCStmt& statement) {
    if (m_data.empty() || m_indicators.empty()) {
        return SQL_SUCCESS;
    }
    return statement.GetData(columnNumber, static_cast<SQLSMALLINT>(m_cType), m_data.data(),
                             static_cast<SQLLEN>(m_bufferLength), &m_indicators[0]);
}

// Appends what is left of the value to out, a chunk per call, until the driver has given all.
// expectedUnits is the whole value's length when the driver told it, else 0.
template <typename Text>
SQLRETURN ODBCColumn::ReadChunks(SQLUSMALLINT columnNumber, ODBCStmt& statement, Text& out,
                                 std::size_t expectedUnits) {
    using Unit = typename Text::value_type;
    out.reserve(std::min(expectedUnits, kMostReserved) + 1);
    for (;;) {
        const std::size_t have = out.size();
        const std::size_t chunk =
            expectedUnits > have ? std::min(kChunkUnits, expectedUnits - have) : kChunkUnits;
        out.resize(have + chunk + 1);
        SQLLEN length = 0;
        const SQLRETURN ret =
            statement.GetData(columnNumber, static_cast<SQLSMALLINT>(m_cType), out.data() + have,
                              static_cast<SQLLEN>((chunk + 1) * sizeof(Unit)), &length);
        if (ret == SQL_NO_DATA || !IsSqlSuccess(ret)) {
            out.resize(have);
            return ret == SQL_NO_DATA ? SQL_SUCCESS : ret;
        }
        const bool last = length >= 0 && static_cast<std::size_t>(length) <= chunk * sizeof(Unit);
        out.resize(have + (last ? static_cast<std::size_t>(length) / sizeof(Unit) : chunk));
        if (last) {
            return SQL_SUCCESS;
        }
    }
}

SQLRETURN ODBCColumn::ReadWholeValue(SQLUSMALLINT columnNumber, ODBCStmt& statement,
                                     bool continuing) {
    m_holdsWholeText = false;
    if (!IsTextCut(0)) {
        return SQL_SUCCESS;
    }
    const SQLLEN expected = m_indicators[0];
    const std::string_view start = ElementBytes();
    const bool wide = m_cType == SQL_C_WCHAR;
    const std::size_t expectedBytes = expected > 0 ? static_cast<std::size_t>(expected) : 0;
    std::size_t delivered = 0;
    SQLRETURN ret = SQL_SUCCESS;
    if (wide) {
        m_wideText.clear();
        if (continuing) {
            m_wideText.resize(start.size() / sizeof(char16_t));
            std::memcpy(m_wideText.data(), start.data(), start.size());
        }
        ret = ReadChunks(columnNumber, statement, m_wideText, expectedBytes / sizeof(char16_t));
        delivered = m_wideText.size() * sizeof(char16_t);
    } else {
        m_wholeText.assign(continuing ? start : std::string_view());
        ret = ReadChunks(columnNumber, statement, m_wholeText, expectedBytes);
        delivered = m_wholeText.size();
    }
    if (!IsSqlSuccess(ret)) {
        return ret;
    }
    const char* whole =
        wide ? reinterpret_cast<const char*>(m_wideText.data()) : m_wholeText.data();
    // A driver that went on after the bound part instead of starting again, or that stopped
    // early, would leave a value that is not the one in the database.
    if ((expected != SQL_NO_TOTAL && delivered != static_cast<std::size_t>(expected)) ||
        delivered < start.size() || std::memcmp(whole, start.data(), start.size()) != 0) {
        return WholeValueFailure(columnNumber, statement, delivered);
    }
    if (wide) {
        m_wholeText = Utf16ToUtf8(m_wideText);
    }
    m_holdsWholeText = true;
    return SQL_SUCCESS;
}

SQLRETURN ODBCColumn::WholeValueFailure(SQLUSMALLINT columnNumber, ODBCStmt& statement,
                                        std::size_t delivered) const {
    const SQLLEN expected = m_indicators[0];
    statement.RaiseError(SQL_ERROR,
                         "Could not read the whole value of column #" +
                             std::to_string(columnNumber) + " (" + m_name + "): the driver gave " +
                             std::to_string(delivered) + " of " +
                             (expected == SQL_NO_TOTAL ? std::string("an unknown number of")
                                                       : std::to_string(expected)) +
                             " bytes",
                         "ODBCColumn::ReadWholeValue");
    return SQL_ERROR;
}
