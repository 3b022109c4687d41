// raw_probe: the floor an ODBC export can reach. Every column is bound as text, rows are fetched
// one at a time, and the bytes go out with a comma between fields and no quoting at all.
//
//   raw_probe CONNECTION-STRING SQL-FILE OUTPUT-FILE
//
// A measuring tool, not part of the program: it calls ODBC directly and stops at the first
// failure with the driver's diagnostics on standard error (exit status 1).
#include <sql.h>
#include <sqlext.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

constexpr SQLLEN kMaxElement = 16384;
// Numbers and dates arrive as text that may be longer than their column size.
constexpr SQLLEN kMinElement = 64;
constexpr std::size_t kOutputChunk = 64 * 1024;

struct OdbcFailure : std::runtime_error {
    using std::runtime_error::runtime_error;
};

std::string Diagnostics(SQLSMALLINT type, SQLHANDLE handle) {
    std::string text;
    SQLCHAR state[6];
    SQLCHAR message[1024];
    SQLINTEGER native = 0;
    SQLSMALLINT length = 0;
    for (SQLSMALLINT record = 1; SQLGetDiagRec(type, handle, record, state, &native, message,
                                               sizeof(message), &length) == SQL_SUCCESS;
         ++record) {
        text += std::string(reinterpret_cast<char*>(state)) + ": " +
                reinterpret_cast<char*>(message) + "\n";
    }
    return text;
}

void Check(SQLRETURN ret, SQLSMALLINT type, SQLHANDLE handle, const char* call) {
    if (!SQL_SUCCEEDED(ret)) {
        throw OdbcFailure(std::string(call) + " failed\n" + Diagnostics(type, handle));
    }
}

// One handle of the given type, freed with it.
class Handle {
  public:
    Handle(SQLSMALLINT type, SQLHANDLE parent) : m_type(type) {
        if (!SQL_SUCCEEDED(SQLAllocHandle(type, parent, &m_handle))) {
            throw OdbcFailure("SQLAllocHandle failed");
        }
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    ~Handle() { SQLFreeHandle(m_type, m_handle); }
    SQLHANDLE get() const { return m_handle; }

  private:
    SQLSMALLINT m_type;
    SQLHANDLE m_handle = SQL_NULL_HANDLE;
};

class Output {
  public:
    explicit Output(const char* path) : m_file(std::fopen(path, "wb")) {
        if (m_file == nullptr) {
            throw std::runtime_error(std::string("cannot open ") + path);
        }
        m_pending.reserve(kOutputChunk * 2);
    }
    Output(const Output&) = delete;
    Output& operator=(const Output&) = delete;
    ~Output() { std::fclose(m_file); }

    void Append(const char* bytes, std::size_t count) { m_pending.append(bytes, count); }
    void Append(char c) { m_pending.push_back(c); }
    void EndLine() {
        m_pending.back() = '\n';
        if (m_pending.size() >= kOutputChunk) {
            Flush();
        }
    }
    void Flush() {
        if (std::fwrite(m_pending.data(), 1, m_pending.size(), m_file) != m_pending.size()) {
            throw std::runtime_error("write failed");
        }
        m_pending.clear();
    }

  private:
    std::FILE* m_file;
    std::string m_pending;
};

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

long FetchAll(SQLHSTMT statement, std::vector<BoundColumn>& columns, Output& out) {
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

long Export(const std::string& connection, const std::string& sql, Output& out) {
    Handle env(SQL_HANDLE_ENV, SQL_NULL_HANDLE);
    SQLSetEnvAttr(env.get(), SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    Handle dbc(SQL_HANDLE_DBC, env.get());
    Check(SQLDriverConnect(dbc.get(), nullptr,
                           reinterpret_cast<SQLCHAR*>(const_cast<char*>(connection.c_str())),
                           SQL_NTS, nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT),
          SQL_HANDLE_DBC, dbc.get(), "SQLDriverConnect");
    long rows = 0;
    {
        Handle stmt(SQL_HANDLE_STMT, dbc.get());
        SQLHSTMT statement = stmt.get();
        Check(SQLExecDirect(statement, reinterpret_cast<SQLCHAR*>(const_cast<char*>(sql.c_str())),
                            SQL_NTS),
              SQL_HANDLE_STMT, statement, "SQLExecDirect");
        SQLRETURN more;
        do {
            SQLSMALLINT count = 0;
            Check(SQLNumResultCols(statement, &count), SQL_HANDLE_STMT, statement,
                  "SQLNumResultCols");
            if (count > 0) {
                std::vector<BoundColumn> columns = BindAsText(statement, count);
                rows += FetchAll(statement, columns, out);
                SQLFreeStmt(statement, SQL_UNBIND);
            }
            more = SQLMoreResults(statement);
        } while (SQL_SUCCEEDED(more));
    }
    SQLDisconnect(dbc.get());
    return rows;
}

}  // namespace

int main(int argc, char* argv[]) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: raw_probe CONNECTION-STRING SQL-FILE OUTPUT-FILE\n");
        return 2;
    }
    try {
        std::ifstream script(argv[2], std::ios::binary);
        if (!script) {
            throw std::runtime_error(std::string("cannot read ") + argv[2]);
        }
        std::string sql((std::istreambuf_iterator<char>(script)), std::istreambuf_iterator<char>());
        Output out(argv[3]);
        Export(argv[1], sql, out);
        out.Flush();
    } catch (const std::exception& error) {
        std::fprintf(stderr, "raw_probe: %s\n", error.what());
        return 1;
    }
    return 0;
}
