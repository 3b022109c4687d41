#include "db/result_reader.h"
#include "db/sql_pieces.h"
#include "recording_test.h"
#include "support/temp_dir.h"
#include "support/test_databases.h"

#include <algorithm>
#include <iterator>

namespace {

using Lines = std::vector<std::vector<std::string>>;

// What a run would show: the grid's columns and lines, the pumps and the row-limit notes.
struct RecordingSink : querimo::ResultSink {
    void InsertResultColumns(const ODBCStatement& statement) override {
        columns = {"#"};
        for (int i = 0; i < statement.GetBoundColumns(); ++i) {
            columns.push_back(statement.GetBoundColumn(i)->m_name);
        }
    }
    void InsertCountColumn(const std::string& heading) override { columns = {heading}; }
    void InsertLine(int position, const std::vector<querimo::ResultCell>& cells) override {
        std::vector<std::string> line;
        for (const querimo::ResultCell& cell : cells) {
            line.push_back(cell.isNull ? "NULL" : cell.text);
        }
        lines.insert(lines.begin() + std::min<std::ptrdiff_t>(position, std::ssize(lines)), line);
    }
    void BeginFetching() override { ++progressWindows; }
    bool Pump(int percent) override {
        percents.push_back(percent);
        return percents.size() == cancelAtPump;
    }
    void RowLimitReached(uint32_t) override { ++limitNotes; }

    std::vector<std::string> columns;
    Lines lines;
    std::vector<int> percents;
    std::size_t cancelAtPump = 0;
    int progressWindows = 0;
    int limitNotes = 0;
};

enum class Database { Sqlite, Postgres };

struct RunCase {
    const char* name;
    Database database;
    std::string sql;
    uint32_t maxRows;
    std::size_t cancelAtPump;  // 0: never
    std::vector<std::string> columns;
    Lines lines;
    bool normalEnd;
    std::vector<std::string> errorStates;
    std::vector<int> percents = {};
};

// Lines "01" to the last number, each showing its own number.
Lines Numbered(int last, Lines after = {}) {
    Lines lines;
    for (int n = 1; n <= last; ++n) {
        lines.push_back({(n < 10 ? "0" : "") + std::to_string(n), std::to_string(n)});
    }
    lines.insert(lines.end(), after.begin(), after.end());
    return lines;
}

const std::string kNumbers = NumbersQuery(25);

// clang-format off
const RunCase kRuns[] = {
    {"LaterStatementsHaveSubHeadings", Database::Sqlite, "select 1 as a; select '?' as b", 0, 0,
     {"#", "a"}, {{"01", "1"}, {"SubHeading:", "b"}, {"03", "?"}}, true, {}},
    // The limit stops the first statement only; each later one shows its first row.
    {"RowLimitThenLaterStatements", Database::Sqlite,
     kNumbers + "; select 7 as one; select 8 as two", 5, 0, {"#", "n"},
     Numbered(5, {{"SubHeading:", "one"}, {"07", "7"}, {"SubHeading:", "two"}, {"09", "8"}}),
     true, {}},
    // The driver gives no row count, so the progress shows none.
    {"RowLimitAtTheLastRow", Database::Sqlite, kNumbers, 25, 0, {"#", "n"}, Numbered(25), true, {},
     {-1, -1}},
    {"RowLimitOneShort", Database::Sqlite, kNumbers, 24, 0, {"#", "n"}, Numbered(24), true, {},
     {-1, -1}},
    {"CancelEndsTheRun", Database::Sqlite, kNumbers + "; select 7 as one", 0, 2, {"#", "n"},
     Numbered(20, {{"21", "Query cancelled by user"}}), true, {}, {-1, -1}},
    {"RowCounts", Database::Sqlite, "create temp table t(n integer); insert into t values (1), "
     "(2), (3); update t set n = 0 where n > 1", 0, 0, {"Rows affected"}, {{"0"}, {"3"}, {"2"}},
     false, {}},
    {"QueryWithoutRows", Database::Sqlite, "select 1 as n where 0", 0, 0, {"#", "n"}, {}, true, {}},
    // A quote does not protect a semicolon.
    {"FailedPrepareEndsTheRun", Database::Sqlite, "select 1 as a; select 'x;y' as b; select 2",
     0, 0, {"#", "a"}, {{"01", "1"}}, false, {"HY000"}},
    {"ParameterMarkerWithoutParameter", Database::Sqlite, "select * from ?", 0, 0, {}, {}, false,
     {"HY000"}},
    // A failing fetch ends the result set like its end.
    {"FetchFailsAtTheThirdRow", Database::Sqlite, "select abs(n) as v from (select 1 as n union "
     "all select 2 union all select -9223372036854775808); select 5 as b", 0, 0, {"#", "v"},
     {{"01", "1"}, {"02", "2"}, {"SubHeading:", "b"}, {"04", "5"}}, true, {"HY000"}},
    // The progress is the part of the driver's row count fetched.
    {"ProgressOfTheRowCount", Database::Postgres, "select g as n from generate_series(1, 25) g",
     0, 0, {"#", "n"}, Numbered(25), true, {}, {40, 80}},
    {"OutputParameter", Database::Postgres, "{? = call abs(-42)}", 0, 0,
     {"Output param result"}, {{"42"}}, false, {}},
    {"NullOutputParameter", Database::Postgres, "{? = call nullif(1, 1)}", 0, 0,
     {"Output param result"}, {{"NULL"}}, false, {}},
};
// clang-format on

class ResultReaderTest : public RecordingTest, public ::testing::WithParamInterface<RunCase> {
  protected:
    void Check(const std::string& connectionString, const RunCase& c) {
        m_handler.records.clear();
        ODBCConnect connection(nullptr, connectionString.c_str(), SQL_DRIVER_NOPROMPT);
        ASSERT_TRUE(connection.IsConnected());
        RecordingSink sink;
        sink.cancelAtPump = c.cancelAtPump;
        querimo::ResultReader reader(&connection, c.maxRows, sink);
        EXPECT_EQ(reader.Run(querimo::SplitStatements(c.sql)), c.normalEnd);
        // Data and sub-heading lines count; row counts and the cancel notice do not.
        EXPECT_EQ(reader.Lines(), std::count_if(c.lines.begin(), c.lines.end(), [](auto& line) {
                      return line.size() > 1 && line[1] != "Query cancelled by user";
                  }));
        EXPECT_EQ(sink.columns, c.columns);
        EXPECT_EQ(sink.lines, c.lines);
        EXPECT_EQ(sink.percents, c.percents);
        EXPECT_EQ(sink.limitNotes, c.maxRows != 0 && c.lines.size() >= c.maxRows ? 1 : 0);
        EXPECT_EQ(sink.progressWindows, c.columns.size() > 1 ? 1 : 0);
        std::vector<std::string> states;
        std::ranges::transform(m_handler.records, std::back_inserter(states),
                               &RecordedError::state);
        EXPECT_EQ(states, c.errorStates);
    }
};

TEST_P(ResultReaderTest, ShowsTheRun) {
    const RunCase& c = GetParam();
    if (c.database == Database::Sqlite) {
        TempDir dir;
        // Rows come from the database one by one, so a row can fail after others arrived.
        Check(SqliteConnectionString(dir.File("run.db")) + "StepAPI=1;", c);
        return;
    }
    for (PgDriver driver : {PgDriver::Ansi, PgDriver::Unicode}) {
        QUERIMO_REQUIRE_PG_OR_SKIP(connection, driver);
        // One row per round trip, so that a row can fail after others arrived.
        Check(connection + (c.errorStates.empty() ? "" : "UseDeclareFetch=1;Fetch=1;"), c);
    }
}

INSTANTIATE_TEST_SUITE_P(Runs, ResultReaderTest, ::testing::ValuesIn(kRuns),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
