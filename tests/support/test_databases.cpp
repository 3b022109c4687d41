#include "support/test_databases.h"

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

const char* TestDriverPath() {
    return QUERIMO_TEST_DRIVER_PATH;
}

std::string TestDriverConnectionString(const std::string& keywords) {
    return std::string("Driver=") + TestDriverPath() + ";" + keywords;
}
