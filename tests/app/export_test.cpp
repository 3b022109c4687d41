#include "app/querimo_dlg.h"

#include "db/odbc_connect.h"
#include "db/odbc_environment.h"
#include "report/odbc_report.h"
#include "support/scripted_prompt.h"
#include "support/temp_dir.h"
#include "support/test_databases.h"

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextCursor>

#include <filesystem>
#include <memory>

namespace {

TEST(ExportFormatTest, ChosenByTheTextAfterTheLastPointOfTheWholePath) {
    struct Case {
        const char* path;
        int format;
    };
    for (const Case& test : {Case{"/tmp/a.csv", ODBCReport::kCsv}, Case{"a.txt", ODBCReport::kCsv},
                             Case{"report.HTML", ODBCReport::kHtml}, Case{"r.htm", ODBCReport::kHtml},
                             Case{"/data/old.htm/export", ODBCReport::kHtml},
                             Case{"noextension", ODBCReport::kCsv}, Case{"x.XmL", ODBCReport::kXml},
                             Case{"/a.b/c", ODBCReport::kCsv}}) {
        EXPECT_EQ(ExportFormatForPath(test.path), test.format) << test.path;
    }
}

class ExportTest : public ::testing::Test {
protected:
    void SetUp() override {
        database = dir.File("export.db");
        window = std::make_unique<CQuerimoDlg>();
        window->SetConnection(
            new ODBCConnect(nullptr, SqliteConnectionString(database).c_str(), SQL_DRIVER_NOPROMPT));
        ASSERT_NE(window->m_pConnect, nullptr);
        Run("create table t (id integer, name varchar(20))");
        Run("insert into t values (1, 'one')");
        Run("insert into t values (2, 'two')");
        prompt.messages.clear();
    }

    void Run(const std::string& sql) {
        ASSERT_TRUE(window->ExportToFile(sql, dir.File("setup.csv"), nullptr)) << sql;
    }

    void SetEditor(const std::string& sql) {
        window->m_strSql = sql;
        window->UpdateData(false);
    }

    void ClickExport() { qobject_cast<QPushButton*>(window->Control(IDC_EXPORT))->click(); }

    QPlainTextEdit* Editor() { return qobject_cast<QPlainTextEdit*>(window->Control(IDC_SQL)); }

    ScriptedPrompt prompt;
    TempDir dir;
    std::string database;
    std::unique_ptr<CQuerimoDlg> window;
};

TEST_F(ExportTest, ExportButtonWritesTheSelectionAndReportsTheRows) {
    SetEditor("select id from t;\nselect name from t order by id");
    QTextCursor cursor = Editor()->textCursor();
    cursor.setPosition(18);
    cursor.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
    Editor()->setTextCursor(cursor);
    std::string path = dir.File("sub.csv");
    prompt.fileAnswers.push_back(path);
    ClickExport();
    EXPECT_EQ(ReadFileBytes(path), "\"name\"\r\n\"one\"\r\n\"two\"\r\n");
    ASSERT_EQ(prompt.fileRequests.size(), 1u);
    EXPECT_EQ(prompt.fileRequests[0].initialName, "export");
    EXPECT_EQ(prompt.fileRequests[0].defaultSuffix, "csv");
    EXPECT_EQ(prompt.fileRequests[0].filter,
              "Text Files (*.csv,*.txt)|*.csv;*.txt|HTML Files (*.htm,*.html)|*.htm;*.html|All "
              "File(s) (*.*)|*.*||");
    ASSERT_EQ(prompt.messages.size(), 1u);
    EXPECT_EQ(prompt.messages[0].text, "Successfully exported 2 rows to " + path);
    EXPECT_EQ(prompt.messages[0].icon, querimo::MessageIcon::Information);
    EXPECT_EQ(prompt.ReadSetting("FileList", "LastVisited"), dir.Path().string());
    EXPECT_EQ(prompt.waitCursorDepth, 0);
}

TEST_F(ExportTest, RememberedFolderIsOfferedNextTime) {
    prompt.WriteSetting("FileList", "LastVisited", "/srv/exports");
    ClickExport();
    ASSERT_EQ(prompt.fileRequests.size(), 1u);
    EXPECT_EQ(prompt.fileRequests[0].initialFolder, "/srv/exports");
    EXPECT_TRUE(prompt.messages.empty());
}

TEST_F(ExportTest, TabSeparatorIsKeptByTheWindow) {
    SetEditor("select id, name from t where id = 1");
    qobject_cast<QLineEdit*>(window->Control(IDC_SEPARATOR))->setText("\\t");
    std::string path = dir.File("tabs.txt");
    ASSERT_TRUE(window->ExportToFile(window->m_strSql, path, nullptr));
    EXPECT_EQ(ReadFileBytes(path), "\"id\"\t\"name\"\r\n1\t\"one\"\r\n");
    EXPECT_EQ(window->m_cDelimiter, '\t');
}

TEST_F(ExportTest, UpdateMatchingNoRowSucceedsWithZeroRows) {
    std::string path = dir.File("none.csv");
    int rows = -1;
    EXPECT_TRUE(window->ExportToFile("update t set name = 'x' where id = 99", path, &rows));
    EXPECT_EQ(rows, 0);
    EXPECT_EQ(ReadFileBytes(path), "\"Rows affected\"\r\n0");
}

TEST_F(ExportTest, HtmlPageCarriesTheCaptionHeadingAndStyleSheet) {
    window->setWindowTitle("Querimo -- demo");
    std::string path = dir.File("page.HTML");
    ASSERT_TRUE(window->ExportToFile("select id from t", path, nullptr));
    std::string page = ReadFileBytes(path);
    EXPECT_NE(page.find("<link href=\"querimo.css\""), std::string::npos);
    EXPECT_NE(page.find("<h3 class=heading3>Querimo -- demo export results as at "),
              std::string::npos);
    EXPECT_NE(page.find("<td align=right><font size=2>2</td>"), std::string::npos);
}

TEST_F(ExportTest, FailuresWriteNothingAndReportOnlyRealErrors) {
    std::string xml = dir.Write("out.xml", "keep");
    EXPECT_FALSE(window->ExportToFile("select id from t", xml, nullptr));
    EXPECT_EQ(ReadFileBytes(xml), "keep");
    EXPECT_FALSE(window->ExportToFile("", dir.File("empty.csv"), nullptr));
    EXPECT_TRUE(prompt.messages.empty());

    EXPECT_FALSE(window->ExportToFile("select nothing from nowhere", dir.File("bad.csv"), nullptr));
    ASSERT_FALSE(prompt.messages.empty());
    EXPECT_EQ(prompt.messages[0].caption, "ODBC Error");
}

TEST_F(ExportTest, InvalidMaxRowsStopsTheExport) {
    qobject_cast<QLineEdit*>(window->Control(IDC_MAX_ROWS))->setText("1000000");
    EXPECT_FALSE(window->ExportToFile("select id from t", dir.File("x.csv"), nullptr));
    ASSERT_EQ(prompt.messages.size(), 1u);
    EXPECT_EQ(prompt.messages[0].text, "Please enter an integer between 0 and 999999.");
}

TEST(ExportWithoutConnectionTest, ButtonAsksForAFileAndDoesNothing) {
    ScriptedPrompt prompt;
    TempDir dir;
    CQuerimoDlg window;
    window.UpdateData(false);
    std::string path = dir.File("never.csv");
    prompt.fileAnswers.push_back(path);
    window.OnExport();
    EXPECT_EQ(prompt.fileRequests.size(), 1u);
    EXPECT_TRUE(prompt.messages.empty());
    EXPECT_FALSE(std::filesystem::exists(path));
}

}  // namespace
