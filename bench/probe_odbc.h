#pragma once
// What the two raw probes share: handles, checked calls, the buffered output file and the run of
// a script's result sets. Each probe brings only its own binding and its own row loop.
//
// Measuring tools, not part of the program: they call ODBC directly and stop at the first
// failure with the driver's diagnostics on standard error (exit status 1).
#include <sql.h>
#include <sqlext.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>

namespace probe {

inline constexpr std::size_t kOutputChunk = 64 * 1024;

struct OdbcFailure : std::runtime_error {
    using std::runtime_error::runtime_error;
};

inline std::string Diagnostics(SQLSMALLINT type, SQLHANDLE handle) {
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

inline void Check(SQLRETURN ret, SQLSMALLINT type, SQLHANDLE handle, const char* call) {
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

// Bytes gathered in memory and written in large blocks, as an export writes them.
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
    // Turns the last field's separator into the line end.
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

// Runs the SQL and hands every result set with columns to readResultSet(statement, columns, out),
// which binds, fetches and unbinds. Returns the rows it reported.
template <typename ReadResultSet>
long Export(const std::string& connection, const std::string& sql, Output& out,
            ReadResultSet readResultSet) {
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
                rows += readResultSet(statement, count, out);
                SQLFreeStmt(statement, SQL_UNBIND);
            }
            more = SQLMoreResults(statement);
        } while (SQL_SUCCEEDED(more));
    }
    SQLDisconnect(dbc.get());
    return rows;
}

// The main of a probe: CONNECTION-STRING SQL-FILE OUTPUT-FILE.
template <typename ReadResultSet>
int Main(const char* name, int argc, char* argv[], ReadResultSet readResultSet) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s CONNECTION-STRING SQL-FILE OUTPUT-FILE\n", name);
        return 2;
    }
    try {
        std::ifstream script(argv[2], std::ios::binary);
        if (!script) {
            throw std::runtime_error(std::string("cannot read ") + argv[2]);
        }
        std::string sql((std::istreambuf_iterator<char>(script)), std::istreambuf_iterator<char>());
        Output out(argv[3]);
        Export(argv[1], sql, out, readResultSet);
        out.Flush();
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s: %s\n", name, error.what());
        return 1;
    }
    return 0;
}

}  // namespace probe
