#pragma once
// One result column: what the driver says about it, the buffers it is bound to, and the text of
// each fetched value.

#include "db/odbc_base.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class ODBCStmt;

class ODBCColumn {
  public:
    // Largest bound element; longer values arrive cut by the driver.
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
    // Whether the values are written as quoted, left-aligned text by the reports.
    bool IsTextType() const;
    // Whether the text is formatted here from a bound number, date, time or timestamp, and so
    // is made of kFormattedTextCharacters only ("inf" and "nan" included).
    bool HasFormattedText() const;
    static constexpr std::string_view kFormattedTextCharacters = "0123456789-.: infa";

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
    // Row r of elements of `size` bytes starts r * size into m_data; null when not held.
    const std::byte* Element(int row, std::size_t size) const;
    void AppendCharText(int row, std::string& out) const;
    void AppendWideText(int row, std::string& out) const;
    void AppendFixedText(int row, std::string& out) const;
    template <typename T, typename Formatter>
    void AppendValue(int row, std::string& out, Formatter format) const;
    std::string UnknownTypeText() const;
};

// The bound type and element length for a described SQL type and size.
struct ColumnBinding {
    int32_t cType;
    uint32_t bufferLength;
};
ColumnBinding ChooseColumnBinding(int32_t sqlType, SQLULEN columnSize);
