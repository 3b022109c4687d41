// Every database call the program makes, failing once in each of the three users of the database
// layer: Execute into the grid, the Export button and the batch run. Each row states what the
// person or the log is told and what stays in the grid or the output file; every row also checks
// that no statement or connection handle is left open and that the program stays usable.
#include "app/querimo_dlg.h"
#include "test_driver_probe.h"
#include "ui/result_grid_model.h"
#include "ui/wait_progress_dlg.h"
#include "window_fixture.h"

#include <QApplication>
#include <QPushButton>

#include <algorithm>
#include <filesystem>
#include <optional>
#include <regex>
#include <string>
#include <vector>

namespace {

using querimo::testdriver::DriverProbe;
using Lines = std::vector<std::vector<std::string>>;
using Texts = std::vector<std::string>;

// Two result sets. A failure is scripted after the first one's rows, so that a result-set call
// fails while the first set is current.
std::string Script(const std::string& failure) {
    return "script: result(id INTEGER, name VARCHAR(20)) row(1, one) row(2, two) row(3, three) "
           "row(4, four) " +
           failure + " result(total INTEGER) row(10)";
}

// One failing call: the connection keywords and the SQL text that make it fail, and the driver
// entry point that fails.
struct Injection {
    const char* call;
    std::string keywords;
    std::string sql;
    const char* entryPoint;
};

const Injection kConnect{"Connect", "ConnectFail=08001,901,server refused", Script(""),
                         "SQLDriverConnect"};
const Injection kAllocStmt{"AllocStmt", "FailAllocStmt=HY001,902,no statement handle left",
                           Script(""), "SQLAllocStmt"};
const Injection kSetStmtAttr{"SetCursorAttribute", "FailSetStmtAttr=HYC00,903,cursor type refused",
                             Script(""), "SQLSetStmtAttr"};
const Injection kPrepare{"Prepare", "", Script("fail(Prepare, diag(42000, 904, prepare refused))"),
                         "SQLPrepare"};
const Injection kNumResultCols{
    "CountColumns", "", Script("fail(NumResultCols, diag(HY000, 905, cannot count columns))"),
    "SQLNumResultCols"};
const Injection kLaterNumResultCols{
    "CountColumnsOfTheSecondSet", "",
    Script("") + " fail(NumResultCols, diag(HY000, 913, cannot count columns))",
    "SQLNumResultCols"};
const Injection kDescribeCol{"Describe", "",
                             Script("fail(DescribeCol@2, diag(HY000, 906, cannot describe))"),
                             "SQLDescribeCol"};
const Injection kBindCol{"BindColumn", "", Script("fail(BindCol@2, diag(HY000, 907, cannot bind))"),
                         "SQLBindCol"};
// Only a text with a parameter marker has its parameter bound.
const Injection kBindParameter{
    "BindParameter", "",
    "script: ? param(1, 42) fail(BindParameter, diag(07006, 908, cannot bind parameter))",
    "SQLBindParameter"};
const Injection kExecute{"Execute", "", Script("fail(Execute, diag(HY000, 909, execute failed))"),
                         "SQLExecute"};
const Injection kFetch{"FetchInTheMiddle", "",
                       Script("fail(Fetch@3, diag(08S01, 910, connection lost))"), "SQLFetch"};
// The row count matters for a statement without result columns.
const Injection kRowCount{"RowCount", "",
                          "script: result() rowcount(3) fail(RowCount, diag(HY000, 911, no count))",
                          "SQLRowCount"};
const Injection kMoreResults{"MoreResults", "",
                             Script("fail(MoreResults@1, diag(HY000, 912, next result lost))"),
                             "SQLMoreResults"};

std::string Box(int native, const std::string& message, const std::string& state) {
    return "ODBC Error " + std::to_string(native) + ": \"" + message + "\" (" + state + ")";
}

std::string LogLine(int native, const std::string& message, const std::string& state) {
    return "<time> -- Application Error " + std::to_string(native) + ": \"" + message + "\" (" +
           state + ")\n";
}

const std::string kDescribeRaised = "error encountered on descibe '' (column #2)";
const std::string kBindRaised = "Error binding column #2: name\n";

const std::string kFirstSetCsv =
    "\"id\",\"name\"\r\n1,\"one\"\r\n2,\"two\"\r\n3,\"three\"\r\n4,\"four\"\r\n";
const std::string kSecondSetCsv = "\"total\"\r\n10\r\n";
const std::string kFullCsv = kFirstSetCsv + kSecondSetCsv;
const Lines kFullGrid{{"01", "1", "one"},  {"02", "2", "two"},       {"03", "3", "three"},
                      {"04", "4", "four"}, {"SubHeading:", "total"}, {"06", "10"}};

// Log lines with their time stamps replaced by "<time>".
std::string WithoutTimes(const std::string& text) {
    static const std::regex stamp(R"((^|\n)\d\d/\d\d/\d\d \d\d:\d\d:\d\d -- )");
    return std::regex_replace(text, stamp, "$1<time> -- ");
}

class FailureInjectionTest : public WindowTest {
  protected:
    void SetUp() override {
        WindowTest::SetUp();
        DriverProbe::Get().Reset();
    }

    static bool ProgressWindowVisible() {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (qobject_cast<CWaitProgressDlg*>(widget) != nullptr && widget->isVisible()) {
                return true;
            }
        }
        return false;
    }

    // The state every way out of a failure must leave: nothing open, nothing waiting, the
    // window usable.
    void ExpectCleanWindow(CQuerimoDlg& window) {
        EXPECT_EQ(DriverProbe::Get().OpenHandles("STMT"), 0);
        EXPECT_TRUE(window.isEnabled());
        EXPECT_FALSE(ProgressWindowVisible());
        EXPECT_EQ(prompt.waitCursorDepth, 0);
    }

    static void ExpectCalled(const Injection& injection, bool called) {
        long count = DriverProbe::Get().Count(injection.entryPoint);
        if (called) {
            EXPECT_GT(count, 0) << injection.entryPoint;
        } else {
            EXPECT_EQ(count, 0) << injection.entryPoint << " is not made by this user";
        }
    }
};

// ---- Execute into the grid ----

struct GridRow {
    Injection injection;
    bool called;
    Lines lines;
    Texts messages;
};

void PrintTo(const GridRow& row, std::ostream* out) {
    *out << row.injection.call;
}

class GridFailureTest : public FailureInjectionTest,
                        public ::testing::WithParamInterface<GridRow> {};

TEST_P(GridFailureTest, ReportsKeepsWhatWasShownAndStaysUsable) {
    const GridRow& row = GetParam();
    {
        auto window = OpenWindow(false);
        ChooseDataSource(*window, TestDriverConnectionString(row.injection.keywords));
        SetSql(*window, row.injection.sql);
        Click(*window, IDC_EXECUTE);
        ExpectCalled(row.injection, row.called);
        EXPECT_EQ(GridLines(*window), row.lines);
        EXPECT_EQ(prompt.MessageTexts(), row.messages);
        ExpectCleanWindow(*window);

        // The chooser connects again and the next run shows everything.
        prompt.messages.clear();
        ChooseDataSource(*window, TestDriverConnectionString(""));
        SetSql(*window, Script(""));
        Click(*window, IDC_EXECUTE);
        EXPECT_EQ(GridLines(*window), kFullGrid);
        EXPECT_EQ(prompt.MessageTexts(), Texts{});
        ExpectCleanWindow(*window);
    }
    EXPECT_EQ(DriverProbe::Get().OpenHandles("DBC"), 0);
}

const std::string kDescribeBox = Box(-1, kDescribeRaised, "HY000");
const std::string kBindBox = Box(-1, kBindRaised, "HY000");

INSTANTIATE_TEST_SUITE_P(
    EveryCall, GridFailureTest,
    ::testing::Values(
        // Not connected: Execute stays disabled.
        GridRow{kConnect, true, {}, {Box(901, "server refused", "08001")}},
        GridRow{kAllocStmt, true, {}, {Box(902, "no statement handle left", "HY001")}},
        // The grid asks for no cursor type.
        GridRow{kSetStmtAttr, false, kFullGrid, {}},
        GridRow{kPrepare, true, {}, {Box(904, "prepare refused", "42000")}},
        GridRow{kNumResultCols, true, {}, {Box(905, "cannot count columns", "HY000")}},
        // A set whose columns cannot be counted is passed over like one without rows.
        GridRow{kLaterNumResultCols,
                true,
                {{"01", "1", "one"}, {"02", "2", "two"}, {"03", "3", "three"}, {"04", "4", "four"}},
                {Box(913, "cannot count columns", "HY000")}},
        GridRow{kDescribeCol, true, {}, {Box(906, "cannot describe", "HY000"), kDescribeBox}},
        GridRow{kBindCol, true, {}, {Box(907, "cannot bind", "HY000"), kBindBox}},
        GridRow{kBindParameter, true, {}, {Box(908, "cannot bind parameter", "07006")}},
        GridRow{kExecute, true, {}, {Box(909, "execute failed", "HY000")}},
        // A fetch error ends its result set like its last row; the next set is still shown.
        GridRow{kFetch,
                true,
                {{"01", "1", "one"}, {"02", "2", "two"}, {"SubHeading:", "total"}, {"04", "10"}},
                {Box(910, "connection lost", "08S01")}},
        GridRow{kRowCount, true, {}, {Box(911, "no count", "HY000")}},
        GridRow{kMoreResults,
                true,
                {{"01", "1", "one"}, {"02", "2", "two"}, {"03", "3", "three"}, {"04", "4", "four"}},
                {Box(912, "next result lost", "HY000")}}),
    [](const ::testing::TestParamInfo<GridRow>& info) { return info.param.injection.call; });

// ---- The Export button ----

struct ExportRow {
    Injection injection;
    bool called;
    // What the output file holds; nullopt when no file may be made.
    std::optional<std::string> file;
    // "{path}" stands for the chosen output path.
    Texts messages;
};

void PrintTo(const ExportRow& row, std::ostream* out) {
    *out << row.injection.call;
}

class ExportFailureTest : public FailureInjectionTest,
                          public ::testing::WithParamInterface<ExportRow> {
  protected:
    Texts Expected(const Texts& messages, const std::string& path) {
        Texts texts;
        for (std::string text : messages) {
            std::string::size_type at = text.find("{path}");
            if (at != std::string::npos) {
                text.replace(at, 6, path);
            }
            texts.push_back(text);
        }
        return texts;
    }
};

TEST_P(ExportFailureTest, ReportsWritesNoMoreThanWasReadAndStaysUsable) {
    const ExportRow& row = GetParam();
    const std::string path = dir.File("out.csv");
    {
        auto window = OpenWindow(false);
        ChooseDataSource(*window, TestDriverConnectionString(row.injection.keywords));
        SetSql(*window, row.injection.sql);
        const bool connected = window->m_pConnect != nullptr;
        prompt.fileAnswers.push_back(path);
        Click(*window, IDC_EXPORT);
        ExpectCalled(row.injection, row.called);
        // Without a connection the button is disabled and asks nothing.
        EXPECT_EQ(prompt.fileRequests.size(), connected ? 1u : 0u);
        EXPECT_EQ(prompt.MessageTexts(), Expected(row.messages, path));
        if (row.file) {
            EXPECT_EQ(ReadFileBytes(path), *row.file);
        } else {
            EXPECT_FALSE(std::filesystem::exists(path));
        }
        ExpectCleanWindow(*window);

        prompt.messages.clear();
        prompt.fileAnswers.clear();
        ChooseDataSource(*window, TestDriverConnectionString(""));
        SetSql(*window, Script(""));
        const std::string again = dir.File("again.csv");
        prompt.fileAnswers.push_back(again);
        Click(*window, IDC_EXPORT);
        EXPECT_EQ(ReadFileBytes(again), kFullCsv);
        EXPECT_EQ(prompt.MessageTexts(), Texts{"Successfully exported 5 rows to " + again});
        ExpectCleanWindow(*window);
    }
    EXPECT_EQ(DriverProbe::Get().OpenHandles("DBC"), 0);
}

INSTANTIATE_TEST_SUITE_P(
    EveryCall, ExportFailureTest,
    ::testing::Values(
        ExportRow{kConnect, true, std::nullopt, {Box(901, "server refused", "08001")}},
        ExportRow{kAllocStmt, true, std::nullopt, {Box(902, "no statement handle left", "HY001")}},
        // The cursor type is only asked for: the export goes on.
        ExportRow{
            kSetStmtAttr,
            true,
            kFullCsv,
            {Box(903, "cursor type refused", "HYC00"), "Successfully exported 5 rows to {path}"}},
        ExportRow{kPrepare, true, std::nullopt, {Box(904, "prepare refused", "42000")}},
        ExportRow{kNumResultCols, true, std::nullopt, {Box(905, "cannot count columns", "HY000")}},
        ExportRow{
            kDescribeCol, true, std::nullopt, {Box(906, "cannot describe", "HY000"), kDescribeBox}},
        ExportRow{kBindCol, true, std::nullopt, {Box(907, "cannot bind", "HY000"), kBindBox}},
        // The export binds no parameter; the marker reaches the driver unbound.
        ExportRow{kBindParameter,
                  false,
                  "\"Rows affected\"\r\n0",
                  {"Successfully exported 0 rows to {path}"}},
        ExportRow{kExecute, true, std::nullopt, {Box(909, "execute failed", "HY000")}},
        // Rows lost to a failed fetch make the export a failure, not a success.
        ExportRow{kFetch,
                  true,
                  "\"id\",\"name\"\r\n1,\"one\"\r\n2,\"two\"\r\n" + kSecondSetCsv,
                  {Box(910, "connection lost", "08S01")}},
        ExportRow{kRowCount, true, "", {Box(911, "no count", "HY000")}},
        ExportRow{kMoreResults, true, kFirstSetCsv, {Box(912, "next result lost", "HY000")}}),
    [](const ::testing::TestParamInfo<ExportRow>& info) { return info.param.injection.call; });

// ---- The batch run ----

struct BatchRow {
    Injection injection;
    bool called;
    int exitCode;
    // Log lines with "<time>" for their time stamps.
    std::string output;
};

void PrintTo(const BatchRow& row, std::ostream* out) {
    *out << row.injection.call;
}

class BatchFailureTest : public FailureInjectionTest,
                         public ::testing::WithParamInterface<BatchRow> {};

TEST_P(BatchFailureTest, LogsEndsWithItsCodeAndLeavesNothingOpen) {
    const BatchRow& row = GetParam();
    const std::string sqlFile = dir.Write("query.sql", row.injection.sql);
    const std::string output = dir.File("out.csv");
    int exitCode = 0;
    {
        CQuerimoDlg window({TestDriverConnectionString(row.injection.keywords), sqlFile, output});
        exitCode = window.DoModal();
        EXPECT_FALSE(window.isVisible());
    }
    EXPECT_EQ(exitCode, row.exitCode);
    ExpectCalled(row.injection, row.called);
    EXPECT_EQ(WithoutTimes(ReadFileBytes(output)), row.output);
    EXPECT_EQ(prompt.messages.size(), 0u) << "a batch run shows nothing";
    EXPECT_EQ(DriverProbe::Get().OpenHandles("STMT"), 0);
    EXPECT_EQ(DriverProbe::Get().OpenHandles("DBC"), 0);
}

INSTANTIATE_TEST_SUITE_P(
    EveryCall, BatchFailureTest,
    ::testing::Values(
        BatchRow{kConnect, true, -1, LogLine(901, "server refused", "08001")},
        BatchRow{kAllocStmt, true, -1, LogLine(902, "no statement handle left", "HY001")},
        // The log is the output file: the export that goes on writes over the line.
        BatchRow{kSetStmtAttr, true, 0, kFullCsv},
        BatchRow{kPrepare, true, -1, LogLine(904, "prepare refused", "42000")},
        BatchRow{kNumResultCols, true, -1, LogLine(905, "cannot count columns", "HY000")},
        // Each line rewrites the log, so only the last one is left.
        BatchRow{kDescribeCol, true, -1, LogLine(-1, kDescribeRaised, "HY000")},
        BatchRow{kBindCol, true, -1, LogLine(-1, kBindRaised, "HY000")},
        BatchRow{kBindParameter, false, 0, "\"Rows affected\"\r\n0"},
        BatchRow{kExecute, true, -1, LogLine(909, "execute failed", "HY000")},
        // A failed export leaves its last error in place of the output, whatever the report
        // had written by then.
        BatchRow{kFetch, true, -1, LogLine(910, "connection lost", "08S01")},
        BatchRow{kRowCount, true, -1, LogLine(911, "no count", "HY000")},
        BatchRow{kMoreResults, true, -1, LogLine(912, "next result lost", "HY000")}),
    [](const ::testing::TestParamInfo<BatchRow>& info) { return info.param.injection.call; });

// ---- Losing rows is never a success ----

struct LossRow {
    const char* name;
    std::string sql;
    bool csvFails;
    bool htmlFails;
};

void PrintTo(const LossRow& row, std::ostream* out) {
    *out << row.name;
}

class LostRowsTest : public FailureInjectionTest, public ::testing::WithParamInterface<LossRow> {};

TEST_P(LostRowsTest, TheExportFailsAndThePageStillEnds) {
    const LossRow& row = GetParam();
    auto window = OpenWindow(false);
    ChooseDataSource(*window, TestDriverConnectionString(""));
    SetSql(*window, row.sql);
    for (const char* name : {"out.csv", "out.htm"}) {
        SCOPED_TRACE(name);
        const bool fails = std::string(name) == "out.csv" ? row.csvFails : row.htmlFails;
        prompt.messages.clear();
        prompt.fileAnswers.push_back(dir.File(name));
        Click(*window, IDC_EXPORT);
        const Texts messages = prompt.MessageTexts();
        ASSERT_FALSE(messages.empty());
        EXPECT_EQ(messages.back().rfind("Successfully exported", 0) != 0, fails)
            << testing::PrintToString(messages);
        ExpectCleanWindow(*window);
    }
    const std::string page = ReadFileBytes(dir.File("out.htm"));
    const std::string end = "</body>\r\n</html>\r\n";
    EXPECT_EQ(page.substr(page.size() - std::min(page.size(), end.size())), end);
}

INSTANTIATE_TEST_SUITE_P(
    LaterCalls, LostRowsTest,
    ::testing::Values(LossRow{"FetchInTheMiddle", kFetch.sql, true, true},
                      LossRow{"ColumnCountOfTheSecondSet",
                              "script: result(a INTEGER) row(1) result(b INTEGER) row(2) "
                              "fail(NumResultCols, diag(HY000, 913, cannot count columns))",
                              true, true},
                      // Only the page reports the row count of a later statement.
                      LossRow{"RowCountOfTheSecondSet",
                              "script: result(a INTEGER) row(1) result() rowcount(5) "
                              "fail(RowCount, diag(HY000, 914, no count))",
                              false, true}),
    [](const ::testing::TestParamInfo<LossRow>& info) { return info.param.name; });

// A log that keeps every line, when it is the output file, gets its line after the rows.
TEST_F(FailureInjectionTest, BatchLogThatAccumulatesFollowsTheRowsWritten) {
    const std::string sqlFile = dir.Write("query.sql", kMoreResults.sql);
    const std::string output = dir.File("out.log");
    {
        CQuerimoDlg window({TestDriverConnectionString(), sqlFile, output});
        EXPECT_EQ(window.DoModal(), -1);
    }
    EXPECT_EQ(WithoutTimes(ReadFileBytes(output)),
              kFirstSetCsv + LogLine(912, "next result lost", "HY000"));
}

}  // namespace
