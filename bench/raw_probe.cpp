// raw_probe: the text floor of an ODBC export. Every column is bound as text, rows are fetched
// one at a time, and the bytes go out with a comma between fields and no quoting at all.
//
//   raw_probe CONNECTION-STRING SQL-FILE OUTPUT-FILE
#include "probe_odbc.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

using probe::Check;

constexpr SQLLEN kMaxElement = 16384;
// Numbers and dates arrive as text that may be longer than their column size.
constexpr SQLLEN kMinElement = 64;

struct BoundColumn {
    std::vector<char> data;
    SQLLEN indicator = 0;
};

std::vector<BoundColumn> BindAsText(SQLHSTMT statement, SQLSMALLINT count) {
    std::vector<BoundColumn> columns(static_cast<std::size_t>(count));
    for (SQLUSMALLINT i = 1; i <= count; ++i) {
        SQLULEN size = 0;
        SQLCHAR name[256];
        SQLSMALLINT nameLength = 0, type = 0, digits = 0, nullable = 0;
        Check(SQLDescribeCol(statement, i, name, sizeof(name), &nameLength, &type, &size, &digits,
                             &nullable),
              SQL_HANDLE_STMT, statement, "SQLDescribeCol");
        BoundColumn& column = columns[i - 1];
        SQLLEN length = static_cast<SQLLEN>(std::min<SQLULEN>(size, kMaxElement - 1)) + 1;
        column.data.resize(static_cast<std::size_t>(std::clamp(length, kMinElement, kMaxElement)));
        Check(SQLBindCol(statement, i, SQL_C_CHAR, column.data.data(),
                         static_cast<SQLLEN>(column.data.size()), &column.indicator),
              SQL_HANDLE_STMT, statement, "SQLBindCol");
    }
    return columns;
}

long FetchAll(SQLHSTMT statement, std::vector<BoundColumn>& columns, probe::Output& out) {
    long rows = 0;
    SQLRETURN ret;
    while (SQL_SUCCEEDED(ret = SQLFetch(statement))) {
        for (const BoundColumn& column : columns) {
            if (column.indicator != SQL_NULL_DATA) {
                SQLLEN held = static_cast<SQLLEN>(column.data.size()) - 1;
                std::size_t length = column.indicator == SQL_NO_TOTAL || column.indicator > held
                                         ? std::strlen(column.data.data())
                                         : static_cast<std::size_t>(column.indicator);
                out.Append(column.data.data(), length);
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
    return probe::Main("raw_probe", argc, argv,
                       [](SQLHSTMT statement, SQLSMALLINT count, probe::Output& out) {
                           std::vector<BoundColumn> columns = BindAsText(statement, count);
                           return FetchAll(statement, columns, out);
                       });
}
