// Running SQL into the grid through the real window: lines of a run, the row limit, column
// widths, cancel and the status bar, on SQLite and PostgreSQL.
#include "window_fixture.h"

#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableView>

namespace {

QString Status(CQuerimoDlg& window, const char* name) {
    return window.findChild<QLabel*>(name)->text();
}

using WindowRunTest = WindowTest;

TEST_F(WindowRunTest, LinesOfARunAndTheRowLimit) {
    const struct {
        std::string sql;
        uint32_t maxRows;
        Lines lines;
        const char* rows;
    } cases[] = {
        {NumbersQuery(100), 3, {{"01", "1"}, {"02", "2"}, {"03", "3"}}, "3 rows"},
        // The sub-heading line counts towards the limit.
        {"select 7 as n;" + NumbersQuery(100),
         4,
         {{"01", "7"}, {"SubHeading:", "n"}, {"03", "1"}, {"04", "2"}},
         "3 rows"},
        // A statement after the limit runs on a closed cursor: no "Invalid cursor state" box.
        {NumbersQuery(100) + "; select 'x' as b",
         3,
         {{"01", "1"}, {"02", "2"}, {"03", "3"}, {"SubHeading:", "b"}, {"05", "x"}},
         "4 rows"},
        {" ; ; ", 9, {{"0", "<No Data>"}}, "0 rows"},
        {"create table t(a); insert into t values (1), (2)", 9, {{"0"}, {"2"}}, "0 rows"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.sql);
        auto window = OpenWindow();
        window->m_nMaxRows = c.maxRows;
        Execute(*window, c.sql);
        EXPECT_EQ(GridLines(*window), c.lines);
        EXPECT_EQ(Status(*window, "statusRows"), c.rows);
        const bool limited = c.lines.size() >= c.maxRows;
        ASSERT_EQ(prompt.messages.size(), limited ? 1u : 0u);
        if (limited) {
            EXPECT_EQ(prompt.messages[0].caption, "Querimo");
            EXPECT_EQ(prompt.messages[0].text,
                      "Note, stopped fetching data at " + std::to_string(c.maxRows) + " row limit");
            EXPECT_TRUE(Status(*window, "statusLimit").contains(QString::number(c.maxRows)));
        }
    }
}

// Line numbers and the sub-heading stay readable however many lines come.
TEST_F(WindowRunTest, TheLineNumberColumnFitsWhatItShows) {
    auto window = OpenWindow();
    window->m_nMaxRows = 0;
    Execute(*window, "select 1 as n; " + NumbersQuery(1200));
    auto* grid = qobject_cast<QTableView*>(window->Control(IDC_RESULT_LIST));
    ASSERT_EQ(window->m_resultList->LineCount(), 1202);
    for (const char* text : {"1202", "SubHeading:"}) {
        EXPECT_GT(grid->columnWidth(0), grid->fontMetrics().horizontalAdvance(text)) << text;
    }
}

TEST_F(WindowRunTest, CancelStopsWithinTenRowsAndTheProgressCountsThem) {
    const std::function<void(CWaitProgressDlg&)> ways[] = {
        [](CWaitProgressDlg& p) {
            QTest::mouseClick(p.findChild<QPushButton*>("2"), Qt::LeftButton);
        },
        [](CWaitProgressDlg& p) { QTest::keyClick(&p, Qt::Key_Escape); },
        [](CWaitProgressDlg& p) { p.close(); },
    };
    Lines expected;
    for (int n = 1; n <= 10; ++n) {
        expected.push_back({QString::asprintf("%02d", n).toStdString(), std::to_string(n)});
    }
    expected.push_back({"11", "Query cancelled by user"});
    for (const auto& cancel : ways) {
        auto window = OpenWindow();
        std::vector<QString> counted;
        Execute(*window, NumbersQuery(1000), [&](CWaitProgressDlg& progress) {
            counted.push_back(progress.findChild<QLabel*>(kRowsFetchedName)->text());
            EXPECT_FALSE(window->isEnabled());
            cancel(progress);
        });
        EXPECT_EQ(counted, std::vector<QString>{"10 rows fetched"});
        EXPECT_EQ(GridLines(*window), expected);
        EXPECT_TRUE(window->isEnabled());
        EXPECT_EQ(VisibleProgressWindow(), nullptr);
        EXPECT_TRUE(prompt.messages.empty());
        EXPECT_EQ(Status(*window, "statusRows"), "10 rows");
    }
}

TEST_F(WindowRunTest, PostgresConnectionShownAndAColumnOfUnknownWidth) {
    QUERIMO_REQUIRE_PG_OR_SKIP(connection, PgDriver::Unicode);
    auto window = OpenWindow(false);
    ChooseDataSource(*window, connection);
    ASSERT_NE(window->m_pConnect, nullptr) << testing::PrintToString(prompt.MessageTexts());
    EXPECT_TRUE(Status(*window, "statusConnection").startsWith("PostgreSQL Unicode: querimo on"));
    // A column whose size the driver does not give still shows its value.
    Execute(*window, "select '\\x0102'::bytea as b");
    auto* grid = qobject_cast<QTableView*>(window->Control(IDC_RESULT_LIST));
    const QString value = QString::fromStdString(window->m_resultList->Cell(0, 1));
    EXPECT_GT(grid->columnWidth(1), grid->fontMetrics().horizontalAdvance(value))
        << value.toStdString();
    // Run as a named server-side statement, a query's whole result is held twice by psqlodbc.
    const std::string heldStatements = "select count(*) as held from pg_prepared_statements";
    Execute(*window, heldStatements);
    EXPECT_EQ(window->m_resultList->Cell(0, 1), "0");
    ASSERT_TRUE(window->ExportToFile(heldStatements, dir.File("held.csv"), nullptr));
    EXPECT_EQ(ReadFileBytes(dir.File("held.csv")), "\"held\"\r\n0\r\n");
}

}  // namespace
