#pragma once
// The databases the tests reach: SQLite files they make themselves, and the private PostgreSQL
// cluster that the test command starts.

#include <optional>
#include <string>
#include <vector>

enum class PgDriver { Ansi, Unicode };

std::string SqliteConnectionString(const std::string& databaseFile);

// The private cluster's connection string, or nullopt when no cluster was started.
std::optional<std::string> PgConnectionString(PgDriver driver);
// Under QUERIMO_REQUIRE_PG a missing cluster fails the test instead of skipping it.
bool PgRequired();

// Runs statements on a connection of their own, reading no results; returns what failed (the
// error handler has been told why), empty when all ran. A SQLite file is made on first use.
std::string RunSql(const std::string& connection, const std::vector<std::string>& statements);

// A query of the numbers 1 to count, one row each, that SQLite streams without a table.
std::string NumbersQuery(int count);
// How often part occurs in text.
int CountOf(const std::string& text, const std::string& part);

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
