#include "support/test_databases.h"

#include "db/odbc_connect.h"
#include "db/odbc_statement.h"

#include <cstdlib>

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
    ODBCConnect connect(nullptr, connection.c_str(), SQL_DRIVER_NOPROMPT);
    if (!connect.IsConnected()) {
        return "cannot connect with " + connection;
    }
    for (const std::string& sql : statements) {
        ODBCStatement statement(&connect, nullptr);
        SQLRETURN ret = statement.Prepare(sql.c_str());
        ret = IsSqlSuccess(ret) ? statement.Execute() : ret;
        if (!IsSqlSuccess(ret) && ret != SQL_NO_DATA) {
            return "failed: " + sql;
        }
    }
    return "";
}

std::string NumbersQuery(int count) {
    return "with recursive c(n) as (select 1 union all select n + 1 from c where n < " +
           std::to_string(count) + ") select n from c";
}

int CountOf(const std::string& text, const std::string& part) {
    int count = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
        ++count;
    }
    return count;
}
