#include "db/odbc_statement.h"
#include "recording_test.h"
#include "support/temp_dir.h"
#include "support/test_databases.h"

#include <dlfcn.h>

#include <memory>

namespace {

// The n-th later SQLDescribeCol fails without reaching the driver manager.
int g_describeCountdown = 0;

}  // namespace

extern "C" SQLRETURN SQL_API SQLDescribeCol(SQLHSTMT s, SQLUSMALLINT c, SQLCHAR* n, SQLSMALLINT b,
                                            SQLSMALLINT* l, SQLSMALLINT* t, SQLULEN* z,
                                            SQLSMALLINT* d, SQLSMALLINT* u) {
    static const auto real =
        reinterpret_cast<decltype(&SQLDescribeCol)>(dlsym(RTLD_NEXT, "SQLDescribeCol"));
    return g_describeCountdown > 0 && --g_describeCountdown == 0 ? SQL_ERROR
                                                                 : real(s, c, n, b, l, t, z, d, u);
}

namespace {

class StatementTest : public RecordingTest {
  protected:
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

// The driver goes on filling whatever is bound: the columns of a buffer that a failed rebind
// deleted must not be (the sanitizer build sees any write into them).
TEST_F(StatementTest, FailedRebindLeavesNothingBoundToFreedColumns) {
    ODBCStatement statement(&m_connection, nullptr);
    ASSERT_EQ(statement.PrepareCommand(ODBCCommand("select 1 as a, 2 as b union select 3, 4")),
              SQL_SUCCESS);
    ASSERT_EQ(statement.Execute(), SQL_SUCCESS);
    ASSERT_EQ(statement.Fetch(), SQL_SUCCESS);
    g_describeCountdown = 1;
    EXPECT_EQ(statement.RebindBuffer(1), SQL_ERROR);
    EXPECT_EQ(statement.GetBoundColumns(), 0);
    EXPECT_EQ(statement.Fetch(), SQL_SUCCESS);
    EXPECT_EQ(statement.Fetch(), SQL_NO_DATA);
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
