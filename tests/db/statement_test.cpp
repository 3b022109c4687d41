#include "db/odbc_statement.h"
#include "recording_test.h"
#include "support/temp_dir.h"
#include "support/test_databases.h"

#include <dlfcn.h>

#include <memory>

namespace {

// The n-th later call of the named function fails without reaching the driver manager.
struct {
    std::string function;
    int countdown = 0;
} g_armed;

template <typename Function>
Function RealUnlessArmed(const char* name) {
    return g_armed.function == name && --g_armed.countdown == 0
               ? nullptr
               : reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

}  // namespace

extern "C" SQLRETURN SQL_API SQLDescribeCol(SQLHSTMT s, SQLUSMALLINT c, SQLCHAR* n, SQLSMALLINT b,
                                            SQLSMALLINT* l, SQLSMALLINT* t, SQLULEN* z,
                                            SQLSMALLINT* d, SQLSMALLINT* u) {
    auto real = RealUnlessArmed<decltype(&SQLDescribeCol)>("SQLDescribeCol");
    return real != nullptr ? real(s, c, n, b, l, t, z, d, u) : SQL_ERROR;
}

extern "C" SQLRETURN SQL_API SQLBindCol(SQLHSTMT s, SQLUSMALLINT c, SQLSMALLINT t, SQLPOINTER v,
                                        SQLLEN b, SQLLEN* i) {
    auto real = RealUnlessArmed<decltype(&SQLBindCol)>("SQLBindCol");
    return real != nullptr ? real(s, c, t, v, b, i) : SQL_ERROR;
}

namespace {

class StatementTest : public RecordingTest {
  protected:
    void TearDown() override {
        g_armed = {};
        RecordingTest::TearDown();
    }

    static std::vector<std::string> Row(ODBCStatement& statement) {
        std::vector<std::string> texts;
        for (int i = 0; i < statement.GetBuffer()->GetColumnCount(); ++i) {
            std::string text;
            texts.push_back(statement.GetBuffer()->GetText(text, i, 0));
        }
        return texts;
    }

    TempDir m_dir;
    ODBCConnect m_connection{nullptr, SqliteConnectionString(m_dir.File("s.db")).c_str(),
                             SQL_DRIVER_NOPROMPT};
};

constexpr const char* kFourColumns =
    "select 1 as a, 2 as b, 3 as c, 4 as d union select 5, 6, 7, 8";

// A column that cannot be described leaves nothing bound; one that cannot be bound leaves the
// others bound and its own buffer as it was made.
TEST_F(StatementTest, DescribeAndBindFailuresAreReportedAndBindWhatTheyCan) {
    const std::tuple<const char*, SQLRETURN, int, const char*, const char*> cases[] = {
        {"SQLDescribeCol", SQL_ERROR, 0, "error encountered on descibe '' (column #2)",
         "ODBCColumn"},
        {"SQLBindCol", -1, 4, "Error binding column #2: b\n", "ODBCBuffer::BindCols"},
    };
    for (const auto& [function, prepared, bound, raised, raisedBy] : cases) {
        g_armed = {function, 2};
        ODBCStatement statement(&m_connection, nullptr);
        EXPECT_EQ(statement.PrepareCommand(ODBCCommand(kFourColumns)), prepared);
        EXPECT_EQ(statement.GetBoundColumns(), bound);
        EXPECT_EQ(m_handler.records.back().message, raised);
        EXPECT_EQ(m_handler.records.back().source, raisedBy);
        ASSERT_EQ(statement.Execute(), SQL_SUCCESS);
        ASSERT_EQ(statement.Fetch(), SQL_SUCCESS);
        if (bound != 0) {
            EXPECT_EQ(Row(statement), (std::vector<std::string>{"1", "", "3", "4"}));
        }
    }
}

// The driver goes on filling whatever is bound: the columns of a buffer that a failed rebind
// deleted must not be (the sanitizer build sees any write into them).
TEST_F(StatementTest, FailedRebindLeavesNothingBoundToFreedColumns) {
    ODBCStatement statement(&m_connection, nullptr);
    ASSERT_EQ(statement.PrepareCommand(ODBCCommand(kFourColumns)), SQL_SUCCESS);
    ASSERT_EQ(statement.Execute(), SQL_SUCCESS);
    ASSERT_EQ(statement.Fetch(), SQL_SUCCESS);
    g_armed = {"SQLDescribeCol", 1};
    EXPECT_EQ(statement.RebindBuffer(1), SQL_ERROR);
    EXPECT_EQ(statement.GetBoundColumns(), 0);
    EXPECT_EQ(statement.Fetch(), SQL_SUCCESS);
    EXPECT_EQ(statement.Fetch(), SQL_NO_DATA);
}

// The first holder of a connection handle may go first: the statement keeps it open.
TEST_F(StatementTest, StatementsKeepTheSharedConnectionOpen) {
    auto original = std::make_unique<ODBCConnect>(
        nullptr, SqliteConnectionString(m_dir.File("o.db")).c_str(), SQL_DRIVER_NOPROMPT);
    ODBCStatement statement(original.get(), nullptr);
    original.reset();
    ASSERT_EQ(statement.PrepareCommand(ODBCCommand("select 'still here'")), SQL_SUCCESS);
    ASSERT_EQ(statement.Execute(), SQL_SUCCESS);
    ASSERT_EQ(statement.Fetch(), SQL_SUCCESS);
    EXPECT_EQ(Row(statement), (std::vector<std::string>{"still here"}));
    EXPECT_TRUE(m_handler.records.empty());
}

// The SQLite driver sets no column number: none is named.
TEST_F(StatementTest, DiagnosticIsReadWholeAndNamesNoColumnThatIsNone) {
    const std::string table(400, 't');
    ODBCStatement statement(&m_connection, nullptr);
    EXPECT_EQ(statement.PrepareCommand(ODBCCommand(("select * from " + table).c_str())), SQL_ERROR);
    ASSERT_EQ(m_handler.records.size(), 1u);
    EXPECT_EQ(m_handler.records[0].message, "[SQLite]no such table: " + table + " (1)");
    EXPECT_EQ(m_handler.records[0].source, "SQLPrepare(m_stmt, (SQLCHAR *)sql, SQL_NTS)");
    EXPECT_EQ(statement.GetLastError()->m_message, m_handler.records[0].message);
}

class PostgresStatementTest : public RecordingTest,
                              public ::testing::WithParamInterface<PgDriver> {};

// psqlodbc hands a long message out in pieces, one record each: every piece arrives, in order,
// and a short message is one record, with no empty piece after it.
TEST_P(PostgresStatementTest, EveryDiagnosticRecordArrivesInOrder) {
    QUERIMO_REQUIRE_PG_OR_SKIP(connectionString, GetParam());
    ODBCConnect connection(nullptr, connectionString.c_str(), SQL_DRIVER_NOPROMPT);
    const std::string longText = "\xC3\xA9" + std::string(1500, 'x') + std::string(1500, 'y') + "z";
    for (const std::string& text : {std::string("short"), longText}) {
        m_handler.records.clear();
        ODBCStatement statement(&connection, nullptr);
        ASSERT_EQ(statement.Prepare(("do $$ begin raise exception '" + text + "'; end $$").c_str()),
                  SQL_SUCCESS);
        EXPECT_EQ(statement.Execute(), SQL_ERROR);
        EXPECT_EQ(m_handler.records.size() > 1, text == longText) << m_handler.records.size();
        std::string joined;
        for (const RecordedError& record : m_handler.records) {
            EXPECT_EQ(record.state + record.source, "P0001SQLExecute(m_stmt)");
            EXPECT_FALSE(record.message.empty());
            joined += record.message;
        }
        EXPECT_EQ(joined.substr(0, 7 + text.size()), "ERROR: " + text);
    }
}

INSTANTIATE_TEST_SUITE_P(Drivers, PostgresStatementTest,
                         ::testing::Values(PgDriver::Ansi, PgDriver::Unicode));

}  // namespace
