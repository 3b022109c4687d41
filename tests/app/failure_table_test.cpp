// Every database call the program makes, failing once in each of its users (Execute into the
// grid, the Export button to CSV and to HTML, the batch run), over a real SQLite database. Each
// row states what the user is told, what the grid or the output file keeps and the exit code;
// after every row no statement is left open and the same run works again.
#include "inject/inject.h"
#include "window_fixture.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <optional>

namespace {

// A batch run's log is its output file; one ending in ".log" keeps every line.
enum class User { Grid, Csv, Html, Batch, BatchLog };

struct Outcome {
    std::vector<std::string> said;  // message boxes; "{path}" stands for the output file
    std::string kept;               // grid lines or output file, '/' for each line end
    int exitCode = 0;
    bool operator==(const Outcome&) const = default;
};

void PrintTo(const Outcome& outcome, std::ostream* out) {
    *out << "{" << testing::PrintToString(outcome.said) << ", "
         << testing::PrintToString(outcome.kept) << ", " << outcome.exitCode << "}";
}

std::string Replace(std::string text, const std::string& from, const std::string& to) {
    for (auto at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
    }
    return text;
}

class FailureTableTest : public WindowTest {
  protected:
    void SetUp() override {
        WindowTest::SetUp();
        db = SqliteConnectionString(dir.File("t.db"));
        ASSERT_EQ(
            RunSql(db, {"create table t(id integer, name varchar(10))",
                        "insert into t values (1, 'one'), (2, 'two'), (3, 'three'), (4, 'four')"}),
            "");
    }
    void TearDown() override {
        inject::Reset();
        WindowTest::TearDown();
    }

    // Cells joined by blanks, lines ended by '/'.
    static std::string GridText(const CQuerimoDlg& window) {
        const querimo::ResultGridModel& grid = *window.m_resultList;
        std::string text;
        for (int line = 0; line < grid.LineCount(); ++line) {
            for (int cell = 0; cell < grid.CellCount(line); ++cell) {
                text += cell == 0 ? "" : " ";
                text += grid.IsNullCell(line, cell) ? "<NULL>" : grid.Cell(line, cell);
            }
            text += "/";
        }
        return text;
    }

    // Line ends as '/', log time stamps left out; an HTML page as its rows and whether it ends.
    static std::string FileText(const std::string& path) {
        if (!std::filesystem::exists(path)) {
            return "-";
        }
        std::string bytes = ReadFileBytes(path);
        if (bytes.starts_with("<!--")) {
            return std::to_string(CountOf(bytes, "<tr class=repline")) + " rows" +
                   (bytes.ends_with("</html>\r\n") ? ", ended" : "");
        }
        // Each log line begins with a time stamp such as "12/06/26 14:05:09 -- ".
        for (auto at = bytes.find(" -- "); at != std::string::npos;
             at = bytes.find(" -- ", at + 1)) {
            if (at >= 17 && bytes[at - 15] == '/' && bytes[at - 3] == ':') {
                bytes.erase(at - 17, 21);
                at -= 17;
            }
        }
        return Replace(Replace(bytes, "\r\n", "/"), "\n", "/");
    }

    Outcome Run(User user, const std::string& sql) { return Run(user, sql, db); }
    Outcome Run(User user, const std::string& sql, const std::string& connection) {
        Outcome outcome;
        const std::string output = dir.File(user == User::Html       ? "out.htm"
                                            : user == User::BatchLog ? "out.log"
                                                                     : "out.csv");
        // What the file held before must survive a run that fails.
        dir.Write(std::filesystem::path(output).filename(), "old\n");
        if (user == User::Batch || user == User::BatchLog) {
            CQuerimoDlg batch({connection, dir.Write("query.sql", sql), output});
            outcome.exitCode = batch.DoModal();
            // A batch run ends the program; this one goes on with the window's routes.
            querimo::RouteDatabaseLayerThroughPrompt();
        } else {
            auto window = OpenWindow(false);
            ChooseDataSource(*window, connection);
            SetSql(*window, sql);
            prompt.fileAnswers.push_back(output);
            Click(*window, user == User::Grid ? IDC_EXECUTE : IDC_EXPORT);
            if (user == User::Grid) {
                outcome.kept = GridText(*window);
            }
            EXPECT_TRUE(window->isEnabled());
            EXPECT_EQ(VisibleProgressWindow(), nullptr);
            EXPECT_EQ(prompt.waitCursorDepth, 0);
        }
        if (user != User::Grid) {
            outcome.kept = FileText(output);
        }
        for (const std::string& text : prompt.MessageTexts()) {
            outcome.said.push_back(Replace(text, output, "{path}"));
        }
        prompt.messages.clear();
        EXPECT_EQ(inject::OpenStatements(), 0);
        return outcome;
    }

    std::string db;
};

// The tables are constants without code, so that they cost the compiler little.
#define FIRST_SET "01 1 one/02 2 two/03 3 three/04 4 four/"
constexpr const char* kGridSql =
    "select id, name from t order by id; select count(*) as total, max(name) as last from t";
constexpr const char* kExportSql = "select id, name from t order by id";
constexpr const char* kUpdate = "update t set name = name where id > 2";
constexpr const char* kFirstSet = FIRST_SET;
constexpr const char* kGrid = FIRST_SET "SubHeading: total last/06 4 two/";
constexpr const char* kCsv = R"("id","name"/1,"one"/2,"two"/3,"three"/4,"four"/)";
constexpr const char* kDone = "Successfully exported 4 rows to {path}";
constexpr const char* kOld = "old/";  // a failed export leaves the file as it was

// One failing call and what its user is told and keeps. In said and kept, "@" stands for the
// armed record's box or log text, and "!" begins an error of the program's own on that record
// (its log line ended).
struct Row {
    User user;
    const char* call;
    int nth;
    const char* said[2];
    const char* kept;
    int exitCode = 0;
    const char* sql = nullptr;
    int records = 0;  // which of Records(), the armed call's own record by default
};

constexpr const char* kLogged = "@/";
constexpr const char* kDescribe2 = "!error encountered on descibe '' (column #2)";
constexpr const char* kBind2 = "!Error binding column #2: name\n";
enum { kOwnRecord, kTwoRecords, kColumns };

std::vector<inject::Record> Records(int which, const char* call) {
    switch (which) {
        case kTwoRecords:
            return {{"08001", 5, "refused"}, {"HY000", 0, ""}};
        case kColumns:
            return {{"22003", 5, "too big", 2}, {"01004", 6, "cut", 1}};
        default:
            return {{"08S01", 77, std::string(call) + " failed"}};
    }
}

// clang-format off
const Row kRows[] = {
    // Connecting, through the chooser or from the command line.
    {User::Grid, "SQLAllocConnect", 1, {"@"}, ""},
    {User::Grid, "SQLDriverConnect", 1, {"@"}, ""},
    {User::Csv, "SQLDriverConnect", 1, {"@"}, kOld},
    {User::Batch, "SQLAllocConnect", 1, {}, kLogged, -1},
    {User::Batch, "SQLDriverConnect", 1, {}, kLogged, -1},
    // Every record of a failed call, in order, also one without a message; a statement's
    // records each carry the column numbers of all its records.
    {User::Grid, "SQLDriverConnect", 1, {R"(ODBC Error 5: "refused" (08001))",
                                         R"(ODBC Error -1: "" (HY000))"}, "", 0, nullptr, kTwoRecords},
    {User::BatchLog, "SQLDriverConnect", 1, {},
     R"(old/Application Error 5: "refused" (08001)/Application Error -1:  (HY000)/)", -1, nullptr,
     kTwoRecords},
    {User::Grid, "SQLExecute", 1, {R"(ODBC Error 5: "too big + column #2 + column #1" (22003))",
                                   R"(ODBC Error 6: "cut + column #2 + column #1" (01004))"},
     "", 0, nullptr, kColumns},
    // Statements.
    {User::Grid, "SQLAllocStmt", 1, {"@"}, ""},
    {User::Csv, "SQLAllocStmt", 1, {"@"}, kOld},
    {User::Batch, "SQLAllocStmt", 1, {}, kLogged, -1},
    // The export only asks for a forward-only cursor: it goes on.
    {User::Csv, "SQLSetStmtAttr", 1, {"@", kDone}, kCsv},
    {User::Batch, "SQLSetStmtAttr", 1, {}, kCsv},
    {User::Grid, "SQLPrepare", 1, {"@"}, ""},
    {User::Grid, "SQLPrepare", 2, {"@"}, kFirstSet},
    {User::Csv, "SQLPrepare", 1, {"@"}, kOld},
    {User::Html, "SQLPrepare", 1, {"@"}, kOld},
    {User::Batch, "SQLPrepare", 1, {}, kLogged, -1},
    {User::Grid, "SQLExecute", 1, {"@"}, ""},
    {User::Grid, "SQLExecute", 2, {"@"}, kFirstSet},
    {User::Csv, "SQLExecute", 1, {"@"}, kOld},
    {User::Batch, "SQLExecute", 1, {}, kLogged, -1},
    // Result columns. A set whose columns cannot be counted is passed over like one without
    // rows, and so is one whose columns cannot be described or bound: no line of blanks or of
    // values that never came from the database.
    {User::Grid, "SQLNumResultCols", 1, {"@"}, ""},
    {User::Grid, "SQLNumResultCols", 2, {"@"}, "SubHeading: total last/02 4 two/"},
    {User::Grid, "SQLNumResultCols", 3, {"@"}, kFirstSet},
    {User::Grid, "SQLNumResultCols", 4, {"@"}, kFirstSet},
    {User::Csv, "SQLNumResultCols", 1, {"@"}, kOld},
    {User::Batch, "SQLNumResultCols", 1, {}, kLogged, -1},
    {User::Grid, "SQLDescribeCol", 2, {"@", kDescribe2}, ""},
    {User::Grid, "SQLDescribeCol", 3, {"@", "!error encountered on descibe '' (column #1)"},
     kFirstSet},
    {User::Csv, "SQLDescribeCol", 2, {"@", kDescribe2}, kOld},
    {User::Batch, "SQLDescribeCol", 2, {}, "@/!error encountered on descibe '' (column #2)", -1},
    {User::Grid, "SQLBindCol", 2, {"@", kBind2}, ""},
    {User::Grid, "SQLBindCol", 3, {"@", "!Error binding column #1: total\n"}, kFirstSet},
    {User::Csv, "SQLBindCol", 2, {"@", kBind2}, kOld},
    {User::Batch, "SQLBindCol", 2, {}, "@/!Error binding column #2: name ", -1},
    // The unbind before the second statement's columns are bound.
    {User::Grid, "SQLFreeStmt", 1, {"@"}, kFirstSet},
    // Rows read before a failed fetch stay in the grid; an export that lost rows is no success
    // and leaves the file as it was.
    {User::Grid, "SQLFetch", 3, {"@"}, "01 1 one/02 2 two/SubHeading: total last/04 4 two/"},
    {User::Csv, "SQLFetch", 3, {"@"}, kOld},
    {User::Html, "SQLFetch", 3, {"@"}, kOld},
    {User::Batch, "SQLFetch", 3, {}, kLogged, -1},
    {User::BatchLog, "SQLFetch", 3, {}, "old/@/", -1},
    // A query's row count only steers the progress bar.
    {User::Grid, "SQLRowCount", 1, {"@"}, kGrid},
    {User::Grid, "SQLRowCount", 1, {"@"}, "", 0, kUpdate},
    {User::Csv, "SQLRowCount", 1, {"@"}, kOld, 0, kUpdate},
    {User::Html, "SQLRowCount", 1, {"@"}, kOld, 0, kUpdate},
    {User::Batch, "SQLRowCount", 1, {}, kLogged, -1, kUpdate},
    {User::Grid, "SQLMoreResults", 1, {"@"}, kGrid},
    {User::Csv, "SQLMoreResults", 1, {"@"}, kOld},
    {User::Html, "SQLMoreResults", 1, {"@"}, kOld},
    {User::Batch, "SQLMoreResults", 1, {}, kLogged, -1},
    // A parameter that cannot be bound costs its own line only.
    {User::Grid, "SQLBindParameter", 1, {"@"}, "01 4/", 0,
     "select ?; select count(*) as total from t"},
};
// clang-format on

// What each user shows when nothing fails.
const Outcome kClean[] = {
    {{}, kGrid}, {{kDone}, kCsv}, {{kDone}, "4 rows, ended"}, {{}, kCsv}, {{}, kCsv}};

TEST_F(FailureTableTest, EveryCallFailingInEveryUser) {
    const char* users[] = {"grid", "CSV export", "HTML export", "batch run", "batch run with .log"};
    for (const Row& row : kRows) {
        SCOPED_TRACE(std::string(users[static_cast<int>(row.user)]) + ", " + row.call + " #" +
                     std::to_string(row.nth));
        const bool batch = row.user == User::Batch || row.user == User::BatchLog;
        const std::string error = batch ? "Application Error " : "ODBC Error ";
        const auto expand = [&](std::string text) {
            text = Replace(text, "@", error + "77: \"" + row.call + " failed\" (08S01)");
            const auto raised = text.find('!');
            return raised == std::string::npos
                       ? text
                       : text.substr(0, raised) + error + "-1: \"" + text.substr(raised + 1) +
                             "\" (08S01)" + (batch ? "/" : "");
        };
        Outcome expected{{}, expand(row.kept), row.exitCode};
        for (const char* text : row.said) {
            if (text != nullptr) {
                expected.said.push_back(expand(text));
            }
        }
        const char* sql = row.sql != nullptr       ? row.sql
                          : row.user == User::Grid ? kGridSql
                                                   : kExportSql;

        inject::Reset();
        inject::Fail(row.call, row.nth, Records(row.records, row.call));
        EXPECT_EQ(Run(row.user, sql), expected);
        EXPECT_GE(inject::Calls(row.call), row.nth) << "the call was never made";

        // Nothing is left behind that spoils the next run.
        if (row.sql == nullptr) {
            inject::Reset();
            EXPECT_EQ(Run(row.user, sql), kClean[static_cast<int>(row.user)]);
        }
    }
}

// The program itself, with the layer preloaded and armed through its environment.
TEST_F(FailureTableTest, PreloadedLayerFailsTheThirdFetchOfTheProgram) {
    const std::string output = dir.File("out.csv");
    const std::string command =
        "QUERIMO_INJECT=SQLFetch:3:08S01:910:lost LD_PRELOAD=" QUERIMO_INJECT_LIBRARY
        " ASAN_OPTIONS=$ASAN_OPTIONS:verify_asan_link_order=0 " QUERIMO_BINARY " '" +
        db + "' " + dir.Write("query.sql", kExportSql) + " " + output;
    const int status = std::system(command.c_str());
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 255) << status;
    EXPECT_EQ(FileText(output), R"(Application Error 910: "lost" (08S01)/)");
}

// Real drivers failing on their own: a value that cannot be computed in the third row, and the
// sets, counts and output parameters that only PostgreSQL returns.
struct DriverRow {
    std::optional<PgDriver> pg;  // nullopt: the SQLite file
    const char* options;
    const char* sql;
    User user;
    std::string_view said;  // part of the one message shown; empty when there is none
    std::string_view kept;  // for a batch run, a part of its log
    int exitCode = 0;
    const char* call = nullptr;  // an armed failure, if any
    int nth = 0;
};

constexpr const char* kOverflow =
    "select id, abs(case when id = 3 then -9223372036854775808 else id end) as v from t";
constexpr const char* kDivide = "select 1/(g-3) as v from generate_series(1,5) g";
constexpr const char* kTwoSets = "select 1 as a; select 2 as b";
constexpr const char* kStream = "UseDeclareFetch=1;Fetch=1;";
const char* const kCount = "SQLNumResultCols";

// clang-format off
constexpr DriverRow kDriverRows[] = {
    {{}, "StepAPI=1;", kOverflow, User::Grid, "integer overflow", "01 1 1/02 2 2/"},
    {{}, "StepAPI=1;", kOverflow, User::Csv, "integer overflow", kOld},
    {{}, "StepAPI=1;", kOverflow, User::Batch, "", "integer overflow", -1},
    {PgDriver::Ansi, kStream, kDivide, User::Grid, "(22012)", "01 0/02 -1/"},
    {PgDriver::Ansi, kStream, kDivide, User::Csv, "(22012)", kOld},
    {PgDriver::Ansi, kStream, kDivide, User::Batch, "", "(22012)", -1},
    {PgDriver::Unicode, "", kTwoSets, User::Csv, "Successfully exported 2 rows", R"("a"/1/"b"/2/)"},
    {PgDriver::Unicode, "", kTwoSets, User::Html, "Successfully exported 2 rows", "2 rows, ended"},
    // A later set whose columns cannot be counted is read with the earlier binding: no success.
    {PgDriver::Unicode, "", kTwoSets, User::Csv, "(08S01)", kOld, 0, kCount, 2},
    {PgDriver::Unicode, "", kTwoSets, User::Html, "(08S01)", kOld, 0, kCount, 2},
    {PgDriver::Ansi, "", "{? = call abs(-5)}", User::Grid, "", "5/"},
    {PgDriver::Unicode, "", "{? = call nullif(1, 1)}", User::Grid, "", "<NULL>/"},
};
// clang-format on

TEST_F(FailureTableTest, RealDriversFailingOnTheirOwn) {
    for (const DriverRow& row : kDriverRows) {
        SCOPED_TRACE(row.sql);
        std::string connection = db;
        if (row.pg) {
            QUERIMO_REQUIRE_PG_OR_SKIP(pg, *row.pg);
            connection = pg;
        }
        inject::Reset();
        if (row.call != nullptr) {
            inject::Fail(row.call, row.nth, {{"08S01", 77, "lost"}});
        }
        const Outcome got = Run(row.user, row.sql, connection + row.options);
        ASSERT_EQ(got.said.size(), row.said.empty() ? 0u : 1u) << testing::PrintToString(got.said);
        EXPECT_TRUE(row.said.empty() || got.said[0].find(row.said) != std::string::npos)
            << got.said[0];
        if (row.user == User::Batch) {
            EXPECT_NE(got.kept.find(row.kept), std::string::npos) << got.kept;
        } else {
            EXPECT_EQ(got.kept, row.kept);
        }
        EXPECT_EQ(got.exitCode, row.exitCode);
    }
}

// The SQLSTATEs that the messages end with.
std::string States(const std::vector<std::string>& messages) {
    std::string states;
    for (const std::string& text : messages) {
        states += text.substr(text.size() - 6, 5) + " ";
    }
    return states;
}

// A session that the server ends while rows stream in, from a second connection once the
// window has read two rows: the rows read stay, the driver says why, the dead connection
// says so on the next run, and the chooser connects again. A batch run ends with -1.
TEST_F(FailureTableTest, SessionEndedMidFetch) {
    QUERIMO_REQUIRE_PG_OR_SKIP(pg, PgDriver::Ansi);
    const std::string name = "querimo_victim_" + std::to_string(::getpid());
    const std::string victim =
        pg + kStream + "ConnSettings=set application_name to '" + name + "';";
    const std::string sql = "select g from generate_series(1, 10) g";
    const std::string end =
        "select pg_terminate_backend(pid) from pg_stat_activity where application_name = '" + name +
        "'";
    const auto endSessionAtThirdFetch = [&] {
        inject::Reset();
        inject::Before("SQLFetch", 3, [&] { EXPECT_EQ(RunSql(pg, {end}), ""); });
    };
    auto window = OpenWindow(false);
    ChooseDataSource(*window, victim);
    endSessionAtThirdFetch();
    Execute(*window, sql);
    EXPECT_EQ(GridText(*window), "01 1/02 2/");
    EXPECT_EQ(States(prompt.MessageTexts()), "57P01 08S01 ");
    prompt.messages.clear();
    Execute(*window, "select 1");
    EXPECT_EQ(States(prompt.MessageTexts()), "08S01 ");
    prompt.messages.clear();
    ChooseDataSource(*window, victim);
    Execute(*window, "select 'back'");
    EXPECT_EQ(GridText(*window) + States(prompt.MessageTexts()), "01 back/");

    endSessionAtThirdFetch();
    const Outcome batch = Run(User::Batch, sql, victim);
    EXPECT_TRUE(batch.kept.ends_with("(08S01)/")) << batch.kept;
    EXPECT_EQ(batch.exitCode, -1);
}

}  // namespace
