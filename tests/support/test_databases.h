#pragma once
// Connection strings of the databases the tests reach: SQLite files, the private PostgreSQL
// cluster that the test command starts, and the scripted test driver.

#include <optional>
#include <string>

enum class PgDriver { Ansi, Unicode };

std::string SqliteConnectionString(const std::string& databaseFile);

// The private cluster's connection string, or nullopt when no cluster was started.
std::optional<std::string> PgConnectionString(PgDriver driver);
// Under QUERIMO_REQUIRE_PG a missing cluster fails the test instead of skipping it.
bool PgRequired();

// "Driver=<absolute path of the test driver>;" followed by the given keywords.
std::string TestDriverConnectionString(const std::string& keywords = "");
const char* TestDriverPath();

// Skips the current test, or fails it when PostgreSQL is required, if no cluster is available.
#define QUERIMO_REQUIRE_PG_OR_SKIP(connectionVariable, driver)                            \
    std::string connectionVariable;                                                       \
    do {                                                                                  \
        auto pgConnection_ = PgConnectionString(driver);                                  \
        if (!pgConnection_) {                                                             \
            if (PgRequired()) {                                                           \
                FAIL() << "QUERIMO_REQUIRE_PG is set but no PostgreSQL cluster is known"; \
            }                                                                             \
            GTEST_SKIP() << "no private PostgreSQL cluster (QUERIMO_PG_ANSI unset)";      \
        }                                                                                 \
        connectionVariable = *pgConnection_;                                              \
    } while (false)
