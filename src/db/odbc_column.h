#pragma once
// One result column: what the driver says about it, the buffers it is bound to, and the text of
// each fetched value.

#include "db/odbc_base.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class ODBCStmt;

class ODBCColumn {
  public:
    // Largest bound element; longer values arrive cut by the driver, and ReadWholeValue reads
    // the rest.
    static constexpr uint32_t kMaxBufferLength = 16384;
    static constexpr SQLSMALLINT kNameBufferLength = 128;

    explicit ODBCColumn(uint16_t rowCount) : m_rowCount(rowCount) {}
    ODBCColumn(const ODBCColumn&) = delete;
    ODBCColumn& operator=(const ODBCColumn&) = delete;
    virtual ~ODBCColumn() = default;

    // columnNumber counts from 1. The name and SQL type are kept only when the call succeeds.
    SQLRETURN Describe(SQLUSMALLINT columnNumber, ODBCStmt& statement);
    // Sets m_cType and m_bufferLength from m_sqlType and m_columnSize.
    void ChooseBinding();
    // Replaces the buffers: zero-filled data, every indicator set to the element length.
    void AllocateBuffers();
    // The text of row (from 0); never fails, an unusable row gives "".
    std::string GetText(int row) const;
    // The same text appended to out, so that writers of many rows can reuse one buffer.
    void AppendText(int row, std::string& out) const;
    // Whether the value was SQL NULL; a column described without NULLs is never tested.
    bool IsNull(int row) const {
        return m_nullable != SQL_NO_NULLS && row >= 0 &&
               static_cast<std::size_t>(row) < m_indicators.size() &&
               m_indicators[static_cast<std::size_t>(row)] == SQL_NULL_DATA;
    }
    // Whether what GetText gives of row is only the start of a longer value.
    bool IsTextCut(int row) const {
        if (!IsCharacterBound() || (m_holdsWholeText && row == 0) || row < 0 ||
            static_cast<std::size_t>(row) >= m_indicators.size()) {
            return false;
        }
        const SQLLEN length = m_indicators[static_cast<std::size_t>(row)];
        return length == SQL_NO_TOTAL ||
               (length > 0 && static_cast<std::size_t>(length) > ElementCapacity());
    }
    // Whether values arrive as text that may be longer than the element.
    bool IsCharacterBound() const { return m_cType == SQL_C_CHAR || m_cType == SQL_C_WCHAR; }
    // For a column left unbound: reads row 0's value into the element with SQLGetData.
    SQLRETURN GetData(SQLUSMALLINT columnNumber, ODBCStmt& statement);
    // When row 0's value is cut, reads all of it with SQLGetData so that GetText gives it whole.
    // continuing: the element came from GetData, which goes on after it; otherwise it came from
    // the binding and the driver starts again at the beginning. Failures are reported.
    SQLRETURN ReadWholeValue(SQLUSMALLINT columnNumber, ODBCStmt& statement, bool continuing);
    // Forgets the whole value read for the previous row.
    void DropWholeValue() { m_holdsWholeText = false; }
    // Whether the values are written as quoted, left-aligned text by the reports.
    bool IsTextType() const;
    // Whether the text is formatted here from a bound number, date, time or timestamp, and so
    // is made of kFormattedTextCharacters only ("inf", "nan" and exponents included).
    bool HasFormattedText() const;
    // Whether values are read into the buffers at all, or shown as an unknown type.
    bool HasTextRule() const {
        return IsCharacterBound() || HasFormattedText() || m_cType == SQL_C_BIT ||
               m_cType == SQL_C_GUID;
    }
    static constexpr std::string_view kFormattedTextCharacters = "0123456789-.: infae";

    SQLRETURN m_retcode = 0;
    std::string m_name;
    SQLSMALLINT m_nameLength = 0;
    int32_t m_sqlType = 0;
    int32_t m_cType = 0;
    SQLULEN m_columnSize = 0;
    SQLSMALLINT m_decimalDigits = 0;
    SQLSMALLINT m_nullable = 0;
    std::vector<std::byte> m_data;
    uint32_t m_bufferLength = 0;
    std::vector<SQLLEN> m_indicators;
    uint16_t m_rowCount = 0;

  private:
    // Bytes of value the element holds, without the terminator.
    std::size_t ElementCapacity() const {
        // Wide elements hold whole characters only.
        return m_cType == SQL_C_WCHAR ? std::max<std::size_t>(m_bufferLength & ~1u, 2) - 2
                                      : std::max<std::size_t>(m_bufferLength, 1) - 1;
    }
    template <typename Text>
    SQLRETURN ReadChunks(SQLUSMALLINT columnNumber, ODBCStmt& statement, Text& out,
                         std::size_t expectedUnits);
    // The value as the element holds it: the text before the terminator.
    std::string_view ElementBytes() const;
    SQLRETURN WholeValueFailure(SQLUSMALLINT columnNumber, ODBCStmt& statement,
                                std::size_t delivered) const;

    // Row r of elements of `size` bytes starts r * size into m_data; null when not held.
    const std::byte* Element(int row, std::size_t size) const;
    void AppendCharText(int row, std::string& out) const;
    void AppendWideText(int row, std::string& out) const;
    template <typename T, typename Formatter>
    void AppendValue(int row, std::string& out, Formatter format) const;
    std::string UnknownTypeText() const;

    // Row 0's value read whole, when m_holdsWholeText; wide values are read into m_wideText
    // first. Both keep their storage from row to row.
    std::string m_wholeText;
    std::u16string m_wideText;
    bool m_holdsWholeText = false;
};

// The bound type and element length for a described SQL type and size.
struct ColumnBinding {
    int32_t cType;
    uint32_t bufferLength;
};
ColumnBinding ChooseColumnBinding(int32_t sqlType, SQLULEN columnSize);
