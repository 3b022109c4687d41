#include "support/test_databases.h"

#include <sql.h>
#include <sqlext.h>

#include <cstdlib>
#include <memory>

namespace {

struct HandleFree {
    SQLSMALLINT type;
    void operator()(void* handle) const { SQLFreeHandle(type, handle); }
};
using Handle = std::unique_ptr<void, HandleFree>;

Handle Allocate(SQLSMALLINT type, SQLHANDLE parent) {
    SQLHANDLE handle = nullptr;
    if (!SQL_SUCCEEDED(SQLAllocHandle(type, parent, &handle))) {
        handle = nullptr;
    }
    return Handle(handle, HandleFree{type});
}

std::string Diagnostic(SQLSMALLINT type, SQLHANDLE handle) {
    SQLCHAR state[6] = {};
    SQLCHAR message[1024] = {};
    SQLINTEGER native = 0;
    SQLSMALLINT length = 0;
    SQLGetDiagRec(type, handle, 1, state, &native, message, sizeof message, &length);
    return std::string(reinterpret_cast<char*>(message)) + " (" + reinterpret_cast<char*>(state) +
           ")";
}

}  // namespace

std::string SqliteConnectionString(const std::string& databaseFile) {
    return "Driver=SQLite3;Database=" + databaseFile + ";";
}

std::optional<std::string> PgConnectionString(PgDriver driver) {
    const char* value =
        std::getenv(driver == PgDriver::Ansi ? "QUERIMO_PG_ANSI" : "QUERIMO_PG_UNICODE");
    if (value == nullptr || *value == '\0') {
        return std::nullopt;
    }
    return std::string(value);
}

bool PgRequired() {
    const char* value = std::getenv("QUERIMO_REQUIRE_PG");
    return value != nullptr && *value != '\0' && std::string(value) != "0";
}

std::string RunSql(const std::string& connection, const std::vector<std::string>& statements) {
    Handle env = Allocate(SQL_HANDLE_ENV, SQL_NULL_HANDLE);
    SQLSetEnvAttr(env.get(), SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    Handle dbc = Allocate(SQL_HANDLE_DBC, env.get());
    auto* text = reinterpret_cast<SQLCHAR*>(const_cast<char*>(connection.c_str()));
    if (!SQL_SUCCEEDED(SQLDriverConnect(dbc.get(), nullptr, text, SQL_NTS, nullptr, 0, nullptr,
                                        SQL_DRIVER_NOPROMPT))) {
        return "cannot connect: " + Diagnostic(SQL_HANDLE_DBC, dbc.get());
    }
    std::string failure;
    for (const std::string& sql : statements) {
        Handle stmt = Allocate(SQL_HANDLE_STMT, dbc.get());
        auto* sqlText = reinterpret_cast<SQLCHAR*>(const_cast<char*>(sql.c_str()));
        const SQLRETURN ret = SQLExecDirect(stmt.get(), sqlText, SQL_NTS);
        if (!SQL_SUCCEEDED(ret) && ret != SQL_NO_DATA) {
            failure = sql + ": " + Diagnostic(SQL_HANDLE_STMT, stmt.get());
            break;
        }
    }
    SQLDisconnect(dbc.get());
    return failure;
}
