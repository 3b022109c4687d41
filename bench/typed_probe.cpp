// typed_probe: the typed floor of an ODBC export. Columns are bound to the C types and buffer
// lengths Querimo binds them to (64-bit integers, doubles, date, time and timestamp structs,
// text up to 16,384 bytes), rows are fetched one at a time, and what the driver delivered goes
// out as it is: text as its bytes, the rest as its binary struct, a comma after every field.
// A value longer than its buffer is read whole with SQLGetData in chunks after the fetch.
//
//   typed_probe CONNECTION-STRING SQL-FILE OUTPUT-FILE
#include "probe_odbc.h"

#include <algorithm>
#include <vector>

namespace {

using probe::Check;

constexpr SQLULEN kMaxElement = 16384;

struct Binding {
    SQLSMALLINT cType;
    SQLULEN length;
};

SQLULEN Capped(SQLULEN length) {
    return std::min(length, kMaxElement);
}

// Text bound one byte longer than the column's size, as Querimo binds it.
SQLULEN TextLength(SQLULEN size) {
    return std::min(size, kMaxElement - 1) + 1;
}

// Follows the binding rule of src/db/odbc_column.cpp, with exact integers in 64 bits and TIME
// as a struct; change both together.
Binding BindingFor(SQLSMALLINT sqlType, SQLULEN size) {
    switch (sqlType) {
        case SQL_WLONGVARCHAR:
        case SQL_WVARCHAR:
        case SQL_WCHAR:
            return {SQL_C_WCHAR, Capped(std::min(size, kMaxElement) * 2 + 2)};
        case SQL_BIT:
            return {SQL_C_BIT, 1};
        case SQL_TINYINT:
        case SQL_SMALLINT:
        case SQL_INTEGER:
        case SQL_BIGINT:
            return {SQL_C_SBIGINT, sizeof(SQLBIGINT)};
        case SQL_LONGVARBINARY:
        case SQL_VARBINARY:
        case SQL_BINARY:
        case SQL_LONGVARCHAR:
            return {SQL_C_CHAR, Capped(TextLength(size) + 256)};
        case SQL_CHAR:
        case SQL_VARCHAR:
            return {SQL_C_CHAR, TextLength(size)};
        case SQL_NUMERIC:
        case SQL_DECIMAL:
            return {SQL_C_CHAR, Capped(TextLength(size) + 16 + std::min(size, kMaxElement))};
        case SQL_FLOAT:
        case SQL_REAL:
            return {SQL_C_CHAR,
                    size == 0 ? 33 : Capped(TextLength(size) + 33 + std::min(size, kMaxElement))};
        case SQL_DOUBLE:
            return {SQL_C_DOUBLE, sizeof(SQLDOUBLE)};
        case SQL_DATE:
        case SQL_TYPE_DATE:
            return {SQL_C_TYPE_DATE, sizeof(SQL_DATE_STRUCT)};
        case SQL_TIME:
        case SQL_TYPE_TIME:
            return {SQL_C_TYPE_TIME, sizeof(SQL_TIME_STRUCT)};
        case SQL_TIMESTAMP:
        case SQL_TYPE_TIMESTAMP:
            return {SQL_C_TYPE_TIMESTAMP, sizeof(SQL_TIMESTAMP_STRUCT)};
        case SQL_GUID:
            return {SQL_C_GUID, sizeof(SQLGUID)};
        default:
            return {SQL_C_CHAR, 256};
    }
}

struct TypedColumn {
    SQLUSMALLINT number = 0;
    SQLSMALLINT cType = 0;
    bool isText = false;
    // Bytes of a value the buffer holds whole: the struct's size, or the text less its
    // terminator.
    SQLLEN held = 0;
    std::vector<char> data;
    SQLLEN indicator = 0;
};

std::vector<TypedColumn> BindTyped(SQLHSTMT statement, SQLSMALLINT count) {
    std::vector<TypedColumn> columns(static_cast<std::size_t>(count));
    for (SQLUSMALLINT i = 1; i <= count; ++i) {
        SQLULEN size = 0;
        SQLCHAR name[256];
        SQLSMALLINT nameLength = 0, type = 0, digits = 0, nullable = 0;
        Check(SQLDescribeCol(statement, i, name, sizeof(name), &nameLength, &type, &size, &digits,
                             &nullable),
              SQL_HANDLE_STMT, statement, "SQLDescribeCol");
        const Binding binding = BindingFor(type, size);
        TypedColumn& column = columns[i - 1];
        column.number = i;
        column.cType = binding.cType;
        column.isText = binding.cType == SQL_C_CHAR || binding.cType == SQL_C_WCHAR;
        const SQLLEN terminator = binding.cType == SQL_C_WCHAR ? 2 : 1;
        column.data.resize(binding.length);
        column.held = column.isText
                          ? (static_cast<SQLLEN>(binding.length) / terminator - 1) * terminator
                          : static_cast<SQLLEN>(binding.length);
        Check(SQLBindCol(statement, i, binding.cType, column.data.data(),
                         static_cast<SQLLEN>(column.data.size()), &column.indicator),
              SQL_HANDLE_STMT, statement, "SQLBindCol");
    }
    return columns;
}

// A text longer than its buffer, whole, in chunks of the buffer's size. The drivers measured
// here start again from the value's first byte, so the bound part is written only by a driver
// that goes on after it.
void WriteLongText(SQLHSTMT statement, TypedColumn& column, probe::Output& out) {
    const SQLLEN boundLength = column.indicator;
    const std::vector<char> boundPart(column.data.begin(), column.data.begin() + column.held);
    bool first = true;
    for (;;) {
        SQLLEN length = 0;
        const SQLRETURN ret = SQLGetData(statement, column.number, column.cType, column.data.data(),
                                         static_cast<SQLLEN>(column.data.size()), &length);
        if (ret == SQL_NO_DATA) {
            return;
        }
        Check(ret, SQL_HANDLE_STMT, statement, "SQLGetData");
        if (first && boundLength != SQL_NO_TOTAL && length != SQL_NO_TOTAL &&
            length < boundLength) {
            out.Append(boundPart.data(), boundPart.size());
        }
        first = false;
        if (length == SQL_NULL_DATA) {
            return;
        }
        const bool cut = length == SQL_NO_TOTAL || length > column.held;
        out.Append(column.data.data(), static_cast<std::size_t>(cut ? column.held : length));
        if (!cut) {
            return;
        }
    }
}

long FetchTyped(SQLHSTMT statement, std::vector<TypedColumn>& columns, probe::Output& out) {
    long rows = 0;
    SQLRETURN ret;
    while (SQL_SUCCEEDED(ret = SQLFetch(statement))) {
        for (TypedColumn& column : columns) {
            const SQLLEN length = column.indicator;
            if (length == SQL_NULL_DATA) {
                // Nothing delivered.
            } else if (!column.isText) {
                out.Append(column.data.data(), static_cast<std::size_t>(column.held));
            } else if (length == SQL_NO_TOTAL || length > column.held) {
                WriteLongText(statement, column, out);
            } else {
                out.Append(column.data.data(), static_cast<std::size_t>(length));
            }
            out.Append(',');
        }
        out.EndLine();
        ++rows;
    }
    if (ret != SQL_NO_DATA) {
        Check(ret, SQL_HANDLE_STMT, statement, "SQLFetch");
    }
    return rows;
}

}  // namespace

int main(int argc, char* argv[]) {
    return probe::Main("typed_probe", argc, argv,
                       [](SQLHSTMT statement, SQLSMALLINT count, probe::Output& out) {
                           std::vector<TypedColumn> columns = BindTyped(statement, count);
                           return FetchTyped(statement, columns, out);
                       });
}
