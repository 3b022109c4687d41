// The Execute button through the real main window and grid, on SQLite, the scripted test driver
// and PostgreSQL.
#include "app/querimo_dlg.h"
#include "db/odbc_statement.h"
#include "support/quit_catcher.h"
#include "test_driver_probe.h"
#include "ui/result_grid_model.h"
#include "ui/wait_progress_dlg.h"
#include "window_fixture.h"

#include <QApplication>
#include <QHeaderView>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>
#include <QTimer>

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace {

using querimo::testdriver::DriverProbe;
using Lines = std::vector<std::vector<std::string>>;
using Texts = std::vector<std::string>;

constexpr const char* kHundredRows =
    "with recursive c(n) as (select 1 union all select n + 1 from c where n < 100) "
    "select n from c";

class QueryExecutionTest : public WindowTest {
  protected:
    std::unique_ptr<CQuerimoDlg> OpenDriverWindow(const std::string& keywords = "") {
        auto window = OpenWindow(false);
        window->SetConnection(new ODBCConnect(nullptr, TestDriverConnectionString(keywords).c_str(),
                                              SQL_DRIVER_NOPROMPT));
        EXPECT_NE(window->m_pConnect, nullptr);
        return window;
    }

    static void RunDirectly(CQuerimoDlg& window, const std::string& sql) {
        ODBCStatement statement(window.m_pConnect, nullptr);
        ASSERT_TRUE(IsSqlSuccess(statement.Prepare(sql.c_str()))) << sql;
        SQLRETURN ret = statement.Execute();
        ASSERT_TRUE(IsSqlSuccess(ret) || ret == SQL_NO_DATA) << sql;
    }

    static Texts Headings(const CQuerimoDlg& window) {
        Texts headings;
        for (int column = 0; column < window.m_resultList->columnCount(); ++column) {
            headings.push_back(window.m_resultList->Heading(column));
        }
        return headings;
    }

    static QTableView* Grid(CQuerimoDlg& window) {
        return qobject_cast<QTableView*>(window.Control(IDC_RESULT_LIST));
    }

    static Lines NumberedRows(int first, int last) {
        Lines lines;
        for (int n = first; n <= last; ++n) {
            char number[16];
            std::snprintf(number, sizeof(number), "%02d", n);
            lines.push_back({number, std::to_string(n)});
        }
        return lines;
    }

    void CreateTableOfThree(CQuerimoDlg& window) {
        RunDirectly(window, "create table t(a integer)");
        RunDirectly(window, "insert into t values (1), (2), (3)");
    }

    std::vector<std::string> OdbcErrors() const {
        std::vector<std::string> texts;
        for (const auto& message : prompt.messages) {
            if (message.caption == "ODBC Error") {
                texts.push_back(message.text);
            }
        }
        return texts;
    }
};

TEST_F(QueryExecutionTest, TheTextThatConnectingLeavesShowsTheDriversErrorAndNothingElse) {
    auto window = OpenWindow();
    ASSERT_EQ(window->m_strSql, "select * from ?");
    window->m_resultList->AddColumn("old");
    window->m_resultList->AddLine({"old"});
    Click(*window, IDC_EXECUTE);
    EXPECT_EQ(OdbcErrors().size(), 1u) << testing::PrintToString(prompt.MessageTexts());
    EXPECT_EQ(prompt.messages.size(), 1u);
    EXPECT_EQ(window->m_resultList->LineCount(), 0);
    EXPECT_EQ(window->m_resultList->columnCount(), 0);
    EXPECT_TRUE(window->isEnabled());
    EXPECT_EQ(prompt.waitCursorDepth, 0);
}

TEST_F(QueryExecutionTest, LinesAndColumnsOfTheRun) {
    struct Case {
        const char* name;
        const char* sql;
        Texts headings;
        Lines lines;
    };
    const Case cases[] = {
        {"QuestionMarkInALiteral", "select '?' as q", {"#", "q"}, {{"01", "?"}}},
        {"QuestionMarkAfterBackslash", "select 'a\\?' as q", {"#", "q"}, {{"01", "a\\?"}}},
        {"TwoSelects",
         "select 1 as a; select 2 as b",
         {"#", "a"},
         {{"01", "1"}, {"SubHeading:", "b"}, {"03", "2"}}},
        {"LaterResultWithMoreColumns",
         "select 1 as a; select 2 as b, 3 as c",
         {"#", "a"},
         {{"01", "1"}, {"SubHeading:", "b", "c"}, {"03", "2", "3"}}},
        {"SelectWithoutRows", "select a from t where a > 10", {"#", "a"}, {{"0", "<No Data>"}}},
        {"Update", "update t set a = a + 1", {"Rows affected"}, {{"3"}}},
        {"DeleteOfNothing", "delete from t where a > 10", {"Rows affected"}, {{"0"}}},
        {"TwoUpdates",
         "update t set a = a; update t set a = a where a = 2",
         {"Rows affected"},
         {{"3"}, {"1"}}},
        // The count keeps its own column, which the query's columns push to the right.
        {"UpdateThenSelect",
         "update t set a = a * 10; select a from t",
         {"#", "a", "Rows affected"},
         {{"01", "10"}, {"02", "20"}, {"03", "30"}, {"", "", "3"}}},
        {"Unicode",
         "select '\xC3\xA9t\xC3\xA9' as \"w\xC3\xB6rd\"",
         {"#", "w\xC3\xB6rd"},
         {{"01", "\xC3\xA9t\xC3\xA9"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir caseDir;
        auto window = OpenWindow(false);
        window->SetConnection(new ODBCConnect(
            nullptr, SqliteConnectionString(caseDir.File("t.db")).c_str(), SQL_DRIVER_NOPROMPT));
        CreateTableOfThree(*window);
        Execute(*window, c.sql);
        EXPECT_EQ(Headings(*window), c.headings);
        EXPECT_EQ(GridLines(*window), c.lines);
        EXPECT_EQ(window->m_resultList->rowCount(), window->m_resultList->LineCount());
        EXPECT_TRUE(prompt.messages.empty()) << testing::PrintToString(prompt.MessageTexts());
        EXPECT_TRUE(window->isEnabled());
        prompt.messages.clear();
    }
}

TEST_F(QueryExecutionTest, FocusGoesToTheEditorOnlyAfterAResult) {
    struct Case {
        const char* sql;
        bool editorFocused;
    };
    for (const Case& c :
         {Case{"select 1", true}, Case{"update t set a = 1", false},
          Case{"select a from t where a > 5", true}, Case{"update t set a = 1; select 1", true},
          // The bound columns of the query make the update a result.
          Case{"select 1; update t set a = 2", true},
          // Taking the progress window down gives the focus back.
          Case{"select 1; select * from ?", false}}) {
        SCOPED_TRACE(c.sql);
        TempDir caseDir;
        auto window = OpenWindow(false);
        window->SetConnection(new ODBCConnect(
            nullptr, SqliteConnectionString(caseDir.File("t.db")).c_str(), SQL_DRIVER_NOPROMPT));
        CreateTableOfThree(*window);
        window->Control(IDC_MAX_ROWS)->setFocus();
        Execute(*window, c.sql);
        EXPECT_EQ(window->focusWidget() == Editor(*window), c.editorFocused);
        if (!c.editorFocused) {
            EXPECT_EQ(window->focusWidget(), window->Control(IDC_EXECUTE));
        }
    }
}

TEST_F(QueryExecutionTest, RowLimitCountsTheLinesOfTheWholeRun) {
    struct Case {
        const char* name;
        uint32_t maxRows;
        std::string sql;
        int lines;
        bool noted;
    };
    const std::string hundred = kHundredRows;
    const Case cases[] = {
        {"Five", 5, hundred, 5, true},
        {"NoLimit", 0, hundred, 100, false},
        {"ExactlyAllRows", 100, hundred, 100, true},
        // The sub-heading carries the count from 1 past 2 without a data line at 2.
        {"SubHeadingStepsOverTheLimit", 2, "select 1 as a; " + hundred, 3, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto window = OpenWindow();
        prompt.messages.clear();
        window->m_nMaxRows = c.maxRows;
        Execute(*window, c.sql);
        EXPECT_EQ(window->m_resultList->LineCount(), c.lines);
        Texts expected;
        if (c.noted) {
            expected.push_back("Note, stopped fetching data at " + std::to_string(c.maxRows) +
                               " row limit");
        }
        EXPECT_EQ(prompt.MessageTexts(), expected);
        if (c.noted) {
            EXPECT_EQ(prompt.messages[0].icon, querimo::MessageIcon::Information);
        }
        EXPECT_TRUE(window->isEnabled());
    }
}

// The limit leaves the cursor open, and the driver manager refuses to prepare over it.
TEST_F(QueryExecutionTest, AStatementAfterTheLimitMeetsTheOpenCursor) {
    auto window = OpenWindow();
    window->m_nMaxRows = 3;
    window->Control(IDC_MAX_ROWS)->setFocus();
    Execute(*window, std::string(kHundredRows) + "; select 7 as b");
    EXPECT_EQ(GridLines(*window), NumberedRows(1, 3));
    ASSERT_EQ(prompt.messages.size(), 2u);
    EXPECT_EQ(prompt.messages[0].text, "Note, stopped fetching data at 3 row limit");
    EXPECT_NE(prompt.messages[1].text.find("(24000)"), std::string::npos);
    EXPECT_TRUE(window->isEnabled());
    EXPECT_NE(window->focusWidget(), Editor(*window));
}

TEST_F(QueryExecutionTest, OnlyTheSelectionRuns) {
    auto window = OpenWindow();
    window->m_strSql = "select 1 as a;\nselect 2 as b";
    window->UpdateData(false);
    QTextCursor cursor = Editor(*window)->textCursor();
    cursor.setPosition(15);
    cursor.setPosition(28, QTextCursor::KeepAnchor);
    Editor(*window)->setTextCursor(cursor);
    Click(*window, IDC_EXECUTE);
    EXPECT_EQ(Headings(*window), (Texts{"#", "b"}));
    EXPECT_EQ(GridLines(*window), (Lines{{"01", "2"}}));
}

TEST_F(QueryExecutionTest, NullIsMarkedWhileItsTextStaysEmpty) {
    auto window = OpenWindow();
    Execute(*window, "select null as n, '' as e, 'x' as x");
    EXPECT_EQ(GridLines(*window), (Lines{{"01", "", "", "x"}}));
    const querimo::ResultGridModel& grid = *window->m_resultList;
    EXPECT_TRUE(grid.IsNullCell(0, 1));
    EXPECT_FALSE(grid.IsNullCell(0, 2));
    EXPECT_FALSE(grid.IsNullCell(0, 3));
    EXPECT_EQ(grid.data(grid.index(0, 1), Qt::DisplayRole).toString(), "");
    EXPECT_TRUE(grid.data(grid.index(0, 1), querimo::kNullCellRole).toBool());
}

TEST_F(QueryExecutionTest, ColumnsTakeWidthAndAlignmentFromTheBoundColumns) {
    auto window = OpenDriverWindow();
    Execute(*window,
            "script: result(id INTEGER, name VARCHAR(50), day TYPE_DATE, "
            "price DECIMAL(10, 2), a_rather_long_name CHAR(2), w WCHAR(1)) "
            "row(1, x, 2011-03-04, 1.50, ab, y)");
    struct Expected {
        const char* heading;
        int width;
        Qt::Alignment alignment;
    };
    const Expected expected[] = {
        {"#", 30, Qt::AlignRight},     {"id", 100, Qt::AlignRight},
        {"name", 300, Qt::AlignLeft},  {"day", 100, Qt::AlignRight},
        {"price", 100, Qt::AlignLeft}, {"a_rather_long_name", 144, Qt::AlignLeft},
        {"w", 10, Qt::AlignLeft},
    };
    ASSERT_EQ(window->m_resultList->columnCount(), static_cast<int>(std::size(expected)));
    for (int i = 0; i < static_cast<int>(std::size(expected)); ++i) {
        SCOPED_TRACE(expected[i].heading);
        EXPECT_EQ(window->m_resultList->Heading(i), expected[i].heading);
        EXPECT_EQ(Grid(*window)->columnWidth(i), expected[i].width);
        EXPECT_EQ(window->m_resultList->Alignment(i), expected[i].alignment);
    }
}

TEST_F(QueryExecutionTest, OutputParametersOfTheTestDriver) {
    struct Case {
        const char* name;
        const char* sql;
        Texts headings;
        Lines lines;
    };
    const Case cases[] = {
        {"One", "script: ? param(1, 42)", {"Output param result"}, {{"42"}}},
        // The counter only grows: the second marker is parameter 2.
        {"Two",
         "script: ? param(1, 7);script: ? param(2, 8)",
         {"Output param result"},
         {{"7"}, {"8"}}},
        {"FailingExecuteSkipsOnlyItsLine",
         "script: ? fail(Execute);script: ? param(2, 9)",
         {},
         {{"9"}}},
        {"AfterAQuery",
         "script: result(n INTEGER) row(5);script: ? param(1, 6)",
         {"#", "n"},
         {{"01", "5"}, {"6"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto window = OpenDriverWindow();
        Execute(*window, c.sql);
        EXPECT_EQ(Headings(*window), c.headings);
        EXPECT_EQ(GridLines(*window), c.lines);
        EXPECT_TRUE(window->isEnabled());
    }
}

TEST_F(QueryExecutionTest, NullOutputParameterIsNotShownAsThePresetValue) {
    auto window = OpenDriverWindow();
    Execute(*window, "script: ? param(1, NULL)");
    EXPECT_EQ(GridLines(*window), (Lines{{""}}));
    EXPECT_TRUE(window->m_resultList->IsNullCell(0, 0));
}

TEST_F(QueryExecutionTest, FailuresEndTheRunWhereTheyHappen) {
    struct Case {
        const char* name;
        const char* sql;
        Lines lines;
        std::size_t errors;
    };
    const Case cases[] = {
        {"PrepareOfTheSecond",
         "script: result(n INTEGER) row(1);script: fail(Prepare)",
         {{"01", "1"}},
         1},
        {"ExecuteOfTheFirst", "script: result(n INTEGER) row(1) fail(Execute);select 2", {}, 1},
        // A fetch error ends its result set like the end of its rows.
        {"FetchInTheMiddle",
         "script: result(n INTEGER) rows(4) fail(Fetch@3)",
         {{"01", "1"}, {"02", "2"}},
         1},
        {"ExecuteReturningNoData", "script: return(Execute, NO_DATA) result()", {{"0"}}, 0},
        // Its rows still count, without values: nothing is bound for them.
        {"DescribeOfALaterResult",
         "script: result(a INTEGER) row(1) result(b INTEGER, c INTEGER) row(2, 3) "
         "fail(DescribeCol@2)",
         {{"01", "1"}, {"SubHeading:"}, {"03"}},
         2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto window = OpenDriverWindow();
        prompt.messages.clear();
        Execute(*window, c.sql);
        EXPECT_EQ(GridLines(*window), c.lines);
        EXPECT_EQ(OdbcErrors().size(), c.errors) << testing::PrintToString(prompt.MessageTexts());
        EXPECT_TRUE(window->isEnabled());
        EXPECT_EQ(VisibleProgressWindow(), nullptr);
        EXPECT_EQ(prompt.waitCursorDepth, 0);
    }
}

TEST_F(QueryExecutionTest, NothingRunsForATextOfSemicolons) {
    auto window = OpenDriverWindow();
    const DriverProbe& probe = DriverProbe::Get();
    probe.Reset();
    int enabledChanges = 0;
    struct Counter : QObject {
        int* changes;
        explicit Counter(int* c) : changes(c) {}
        bool eventFilter(QObject*, QEvent* event) override {
            *changes += event->type() == QEvent::EnabledChange;
            return false;
        }
    } counter(&enabledChanges);
    window->installEventFilter(&counter);
    Execute(*window, ";;  ;");
    EXPECT_EQ(probe.Count("SQLPrepare"), 0);
    EXPECT_EQ(probe.Count("SQLExecute"), 0);
    EXPECT_EQ(enabledChanges, 0);
    EXPECT_EQ(GridLines(*window), (Lines{{"0", "<No Data>"}}));
    EXPECT_EQ(window->m_resultList->columnCount(), 0);
    // Whereas a query puts the progress window up and takes it down again.
    Execute(*window, "select 1");
    EXPECT_EQ(enabledChanges, 2);
    EXPECT_EQ(probe.Count("SQLFreeStmt_DROP"), 2);
}

TEST_F(QueryExecutionTest, CancelTakesEffectWithinTenRows) {
    struct Case {
        const char* name;
        std::function<void(CWaitProgressDlg&)> cancel;
    };
    const Case cases[] = {
        {"Button",
         [](CWaitProgressDlg& progress) {
             QTest::mouseClick(progress.findChild<QPushButton*>("2"), Qt::LeftButton);
         }},
        {"Escape", [](CWaitProgressDlg& progress) { QTest::keyClick(&progress, Qt::Key_Escape); }},
        {"CloseBox", [](CWaitProgressDlg& progress) { progress.close(); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto window = OpenDriverWindow();
        const DriverProbe& probe = DriverProbe::Get();
        probe.Reset();
        std::vector<bool> enabledAtPump;
        std::vector<int> cursorAtPump;
        Execute(*window, "script: result(n INTEGER) rows(1000) delay(1)",
                [&](CWaitProgressDlg& progress) {
                    enabledAtPump.push_back(window->isEnabled());
                    cursorAtPump.push_back(prompt.waitCursorDepth);
                    c.cancel(progress);
                });
        EXPECT_EQ(enabledAtPump, std::vector<bool>{false});
        EXPECT_EQ(cursorAtPump, std::vector<int>{1});
        Lines expected = NumberedRows(1, 10);
        expected.push_back({"11", "Query cancelled by user"});
        EXPECT_EQ(GridLines(*window), expected);
        EXPECT_EQ(probe.Count("SQLFetch"), 10);
        EXPECT_EQ(probe.Count("SQLMoreResults"), 0);
        EXPECT_TRUE(window->isEnabled());
        EXPECT_EQ(VisibleProgressWindow(), nullptr);
        EXPECT_TRUE(prompt.messages.empty()) << testing::PrintToString(prompt.MessageTexts());
        EXPECT_EQ(prompt.waitCursorDepth, 0);
    }
}

TEST_F(QueryExecutionTest, QuitRequestDuringAFetchEndsItAndIsKeptForLater) {
    auto window = OpenDriverWindow();
    QuitCatcher afterwards;
    bool posted = false;
    Execute(*window, "script: result(n INTEGER) rows(1000)", [&](CWaitProgressDlg&) {
        if (!posted) {
            posted = true;
            QCoreApplication::postEvent(qApp, new QEvent(QEvent::Quit));
        }
    });
    ASSERT_TRUE(posted);
    const int lines = window->m_resultList->LineCount();
    EXPECT_LE(lines, 21);
    EXPECT_EQ(GridLines(*window).back(), (Texts{std::to_string(lines), "Query cancelled by user"}));
    EXPECT_TRUE(window->isEnabled());
    EXPECT_TRUE(window->isVisible());
    QCoreApplication::processEvents();
    EXPECT_EQ(afterwards.caught, 1);
}

// The view hears of streamed lines in batches; however a run ends, it knows every line made,
// and during the run it never knows of more.
TEST_F(QueryExecutionTest, TheGridShowsEveryLineMadeHoweverTheRunEnds) {
    struct Case {
        const char* name;
        const char* sql;
        int cancelAtPump;  // 0: never
        Texts last;        // Unless cancelled.
    };
    const Case cases[] = {
        {"AllRows", "script: result(n INTEGER) rows(987)", 0, {"987", "987"}},
        {"RowLimit", "script: result(n INTEGER) rows(1234)", 0, {"1000", "1000"}},
        {"Cancelled", "script: result(n INTEGER) rows(1000) delay(1)", 37, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto window = OpenDriverWindow();
        const querimo::ResultGridModel& grid = *window->m_resultList;
        int pumps = 0;
        bool neverAhead = true;
        Execute(*window, c.sql, [&](CWaitProgressDlg& progress) {
            neverAhead = neverAhead && grid.rowCount() <= grid.LineCount();
            if (++pumps == c.cancelAtPump) {
                QTest::mouseClick(progress.findChild<QPushButton*>("2"), Qt::LeftButton);
            }
        });
        EXPECT_TRUE(neverAhead);
        const int lines = grid.LineCount();
        EXPECT_EQ(grid.rowCount(), lines);
        const Texts last =
            c.cancelAtPump == 0 ? c.last : Texts{std::to_string(lines), "Query cancelled by user"};
        ASSERT_GT(lines, 300);
        EXPECT_EQ(GridLines(*window).back(), last);
        prompt.messages.clear();
    }
}

TEST_F(QueryExecutionTest, ProgressBarFollowsTheReportedRowCount) {
    using Values = std::map<int, int>;
    auto percentPerTen = [](auto percent) {
        Values values;
        for (int rows = 10; rows <= 100; rows += 10) {
            values[rows] = percent(rows);
        }
        return values;
    };
    struct Case {
        const char* name;
        const char* rowCount;
        Values values;
    };
    const Case cases[] = {
        {"Reported", "rowcount(200)", percentPerTen([](int rows) { return rows / 2; })},
        {"FewerReportedThanFetched", "rowcount(40)",
         percentPerTen([](int rows) { return std::min(rows * 100 / 40, 100); })},
        {"Unknown", "rowcount(-1)", percentPerTen([](int) { return 0; })},
        {"Zero", "rowcount(0)", percentPerTen([](int) { return 0; })},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto window = OpenDriverWindow();
        Values values;
        Execute(*window, std::string("script: result(n INTEGER) rows(100) ") + c.rowCount,
                [&](CWaitProgressDlg& progress) {
                    values[window->m_resultList->LineCount()] =
                        progress.findChild<QProgressBar*>("1230")->value();
                });
        EXPECT_EQ(values, c.values);
        EXPECT_EQ(window->m_resultList->LineCount(), 100);
    }
}

TEST_F(QueryExecutionTest, TheMainWindowIsEnabledAfterEveryWayOut) {
    struct Case {
        const char* name;
        uint32_t maxRows;
        const char* sql;
    };
    const Case cases[] = {
        {"End", 1000, "script: result(n INTEGER) rows(30)"},
        {"RowLimit", 15, "script: result(n INTEGER) rows(30)"},
        {"FetchError", 1000, "script: result(n INTEGER) rows(30) fail(Fetch@15)"},
        {"MoreResultsError", 1000, "script: result(n INTEGER) rows(30) fail(MoreResults)"},
        {"LaterPrepareError", 1000, "script: result(n INTEGER) rows(30);script: fail(Prepare)"},
        {"LaterExecuteError", 1000, "script: result(n INTEGER) rows(30);script: fail(Execute)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto window = OpenDriverWindow();
        window->m_nMaxRows = c.maxRows;
        std::vector<bool> enabledAtPump;
        Execute(*window, c.sql,
                [&](CWaitProgressDlg&) { enabledAtPump.push_back(window->isEnabled()); });
        ASSERT_FALSE(enabledAtPump.empty());
        EXPECT_EQ(enabledAtPump, std::vector<bool>(enabledAtPump.size(), false));
        EXPECT_TRUE(window->isEnabled());
        EXPECT_EQ(VisibleProgressWindow(), nullptr);
    }
}

TEST_F(QueryExecutionTest, PostgresOutputParameterOfAFunctionCall) {
    QUERIMO_REQUIRE_PG_OR_SKIP(connection, PgDriver::Ansi);
    auto window = OpenWindow(false);
    window->SetConnection(new ODBCConnect(nullptr, connection.c_str(), SQL_DRIVER_NOPROMPT));
    ASSERT_NE(window->m_pConnect, nullptr);
    RunDirectly(*window,
                "create or replace function querimo_answer() returns integer "
                "language sql as 'select 42'");
    Execute(*window, "{? = call querimo_answer()}");
    EXPECT_EQ(Headings(*window), (Texts{"Output param result"}));
    EXPECT_EQ(GridLines(*window), (Lines{{"42"}}));
    EXPECT_TRUE(prompt.messages.empty()) << testing::PrintToString(prompt.MessageTexts());
}

TEST_F(QueryExecutionTest, PostgresStatementsShareOneStatementObject) {
    struct Case {
        const char* name;
        PgDriver driver;
        uint32_t maxRows;
        const char* sql;
        Lines lines;
    };
    const Case cases[] = {
        {"TwoQueries",
         PgDriver::Ansi,
         1000,
         "select 1 as a; select 2 as b",
         {{"01", "1"}, {"SubHeading:", "b"}, {"03", "2"}}},
        // The first cursor stays open at the limit; the driver manager refuses the second.
        {"OverAnOpenCursor",
         PgDriver::Unicode,
         2,
         "select generate_series(1, 5) as a; select generate_series(6, 9) as b",
         {{"01", "1"}, {"02", "2"}}},
        {"UpdateThenQuery",
         PgDriver::Unicode,
         1000,
         "update querimo_t set a = a; select a from querimo_t order by a",
         {{"01", "1"}, {"02", "2"}, {"", "", "2"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QUERIMO_REQUIRE_PG_OR_SKIP(connection, c.driver);
        auto window = OpenWindow(false);
        window->SetConnection(new ODBCConnect(nullptr, connection.c_str(), SQL_DRIVER_NOPROMPT));
        ASSERT_NE(window->m_pConnect, nullptr);
        RunDirectly(*window, "drop table if exists querimo_t");
        RunDirectly(*window, "create table querimo_t(a integer)");
        RunDirectly(*window, "insert into querimo_t values (1), (2)");
        prompt.messages.clear();
        window->m_nMaxRows = c.maxRows;
        Execute(*window, c.sql);
        EXPECT_EQ(GridLines(*window), c.lines);
        const std::size_t notes = c.maxRows == 2 ? 2 : 0;
        EXPECT_EQ(prompt.messages.size(), notes) << testing::PrintToString(prompt.MessageTexts());
        RunDirectly(*window, "drop table querimo_t");
    }
}

}  // namespace
