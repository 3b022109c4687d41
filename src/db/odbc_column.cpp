#include "db/odbc_column.h"

#include "db/odbc_stmt.h"

#include <algorithm>
#include <limits>

namespace {

constexpr uint64_t kCap = ODBCColumn::kMaxBufferLength;
constexpr uint64_t kMax = std::numeric_limits<uint64_t>::max();

// Sizes come from the driver and may sit at the top of the range: sums saturate, never wrap.
uint64_t Add(uint64_t a, uint64_t b) {
    return a > kMax - b ? kMax : a + b;
}
uint64_t Cap(uint64_t x) {
    return std::min(x, kCap);
}
uint64_t CapPlusOne(uint64_t size) {
    return Cap(Add(size, 1));
}
uint64_t SizeOr(uint64_t size, uint64_t base, uint64_t whenZero, uint64_t extra) {
    return size == 0 ? base + whenZero : Add(Add(base, size), extra);
}

uint64_t BufferLengthFor(int32_t sqlType, uint64_t size) {
    switch (sqlType) {
        case SQL_WLONGVARCHAR:
        case SQL_WVARCHAR:
        case SQL_WCHAR:
            return Cap(Add(Add(size, size), 2));
        case SQL_BIT:
            return 1;
        case SQL_TINYINT:
        case SQL_SMALLINT:
        case SQL_INTEGER:
            return sizeof(SQLBIGINT);
        case SQL_BIGINT:
            return CapPlusOne(size) + 1;
        case SQL_LONGVARBINARY:
        case SQL_VARBINARY:
        case SQL_BINARY:
        case SQL_LONGVARCHAR:
            return CapPlusOne(size) + 256;
        case SQL_CHAR:
        case SQL_VARCHAR:
            return CapPlusOne(size);
        case SQL_NUMERIC:
        case SQL_DECIMAL:
            return Add(CapPlusOne(size) + 16, size);
        case SQL_FLOAT:
        case SQL_REAL:
            return size == 0 ? CapPlusOne(size) + 32 : Add(CapPlusOne(size) + 33, size);
        case SQL_DOUBLE:
            return 8;
        case SQL_DATE:
            return SizeOr(size, 6, 19, 20);
        case SQL_TIME:
            return 6;
        case SQL_TIMESTAMP:
            return 16;
        case SQL_TYPE_DATE:
            return SizeOr(size, 10, 19, 20);
        case SQL_TYPE_TIMESTAMP:
            return SizeOr(size, 19, 19, 20);
        case SQL_UNKNOWN_TYPE:
            return 0;
        default:
            return 256;
    }
}

int32_t BoundTypeFor(int32_t sqlType) {
    switch (sqlType) {
        case SQL_WLONGVARCHAR:
        case SQL_WVARCHAR:
        case SQL_WCHAR:
            return SQL_C_WCHAR;
        case SQL_BIGINT:
        case SQL_LONGVARBINARY:
        case SQL_VARBINARY:
        case SQL_BINARY:
        case SQL_LONGVARCHAR:
        case SQL_CHAR:
        case SQL_VARCHAR:
        case SQL_NUMERIC:
        case SQL_DECIMAL:
        case SQL_FLOAT:
        case SQL_REAL:
            return SQL_C_CHAR;
        // Drivers give these from wider or unsigned storage too (SQLite's INTEGER is 64-bit): a
        // narrower C type would wrap them.
        case SQL_TINYINT:
        case SQL_SMALLINT:
        case SQL_INTEGER:
            return SQL_C_SBIGINT;
        case SQL_DOUBLE:
            return SQL_C_DOUBLE;
        default:
            // BIT, the date, time and timestamp types, GUID, 0 and every type this
            // program does not know are bound as the C type of the same code.
            return sqlType;
    }
}

}  // namespace

ColumnBinding ChooseColumnBinding(int32_t sqlType, SQLULEN columnSize) {
    const uint64_t length = BufferLengthFor(sqlType, columnSize);
    return {BoundTypeFor(sqlType), static_cast<uint32_t>(std::min<uint64_t>(
                                       length, std::numeric_limits<uint32_t>::max()))};
}

SQLRETURN ODBCColumn::Describe(SQLUSMALLINT columnNumber, ODBCStmt& statement) {
    SQLCHAR name[kNameBufferLength] = {};
    SQLSMALLINT dataType = 0;
    m_retcode = statement.DescribeCol(columnNumber, name, kNameBufferLength, &m_nameLength,
                                      &dataType, &m_columnSize, &m_decimalDigits, &m_nullable);
    if (IsSqlSuccess(m_retcode)) {
        name[kNameBufferLength - 1] = '\0';
        m_name = reinterpret_cast<const char*>(name);
        m_sqlType = dataType;
    }
    return m_retcode;
}

void ODBCColumn::ChooseBinding() {
    const ColumnBinding binding = ChooseColumnBinding(m_sqlType, m_columnSize);
    m_cType = binding.cType;
    m_bufferLength = binding.bufferLength;
    // The time structure has no fraction, and drivers drop it silently; the timestamp
    // structure keeps it.
    if (m_sqlType == SQL_TYPE_TIME && m_decimalDigits > 0) {
        m_cType = SQL_C_TYPE_TIMESTAMP;
        m_bufferLength = sizeof(SQL_TIMESTAMP_STRUCT);
    }
}

void ODBCColumn::AllocateBuffers() {
    m_bufferLength = std::min(m_bufferLength, kMaxBufferLength);
    m_indicators.assign(m_rowCount, static_cast<SQLLEN>(m_bufferLength));
    m_data.assign(static_cast<std::size_t>(m_rowCount) * m_bufferLength, std::byte{0});
}

bool ODBCColumn::IsTextType() const {
    switch (m_sqlType) {
        case SQL_WVARCHAR:
        case SQL_WCHAR:
        case SQL_LONGVARBINARY:
        case SQL_VARBINARY:
        case SQL_BINARY:
        case SQL_LONGVARCHAR:
        case SQL_CHAR:
        case SQL_DATE:
        case SQL_VARCHAR:
        case SQL_TYPE_DATE:
            return true;
        default:
            return false;
    }
}
