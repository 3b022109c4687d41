// The Export button and the export routine through the real window, and how the grid and the
// record view show a value longer than they hold.
#include "report/odbc_report.h"
#include "ui/record_dlg.h"
#include "window_fixture.h"

#include <QLineEdit>
#include <QTableWidget>
#include <QTextCursor>

#include <filesystem>

namespace {

class ExportTest : public WindowTest {
  protected:
    void SetUp() override {
        WindowTest::SetUp();
        window = OpenWindow();
        Export("create table t (id integer, name varchar(20), note text)", "setup.csv");
        Export("insert into t values (1, 'one', replace(hex(zeroblob(10000)), '0', 'x'))",
               "setup.csv");
        Export("insert into t values (2, 'two', '')", "setup.csv");
    }
    bool Export(const std::string& sql, const std::string& name, int* rows = nullptr) {
        return window->ExportToFile(sql, dir.File(name), rows);
    }
    std::unique_ptr<CQuerimoDlg> window;
};

TEST_F(ExportTest, ExportButtonWritesTheSelectionAndReportsTheRows) {
    SetSql(*window, "select id from t;\nselect name from t order by id");
    QTextCursor cursor = Editor(*window)->textCursor();
    cursor.setPosition(18);
    cursor.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
    Editor(*window)->setTextCursor(cursor);
    const std::string path = dir.File("sub.csv");
    prompt.fileAnswers.push_back(path);
    Click(*window, IDC_EXPORT);
    EXPECT_EQ(ReadFileBytes(path), "\"name\"\r\n\"one\"\r\n\"two\"\r\n");
    ASSERT_EQ(prompt.messages.size(), 1u);
    EXPECT_EQ(prompt.messages[0].text, "Successfully exported 2 rows to " + path);
    EXPECT_EQ(prompt.ReadSetting("FileList", "LastVisited"), dir.Path().string());
    EXPECT_EQ(prompt.waitCursorDepth, 0);
}

TEST_F(ExportTest, SettingsOfTheWindowShapeTheFile) {
    qobject_cast<QLineEdit*>(window->Control(IDC_SEPARATOR))->setText("\\t");
    ASSERT_TRUE(Export("select id, name from t where id = 1", "tabs.txt"));
    EXPECT_EQ(ReadFileBytes(dir.File("tabs.txt")), "\"id\"\t\"name\"\r\n1\t\"one\"\r\n");
    EXPECT_EQ(window->m_cDelimiter, '\t');
    int rows = -1;
    ASSERT_TRUE(Export("update t set name = 'x' where id = 99", "none.csv", &rows));
    EXPECT_EQ(rows, 0);
    EXPECT_EQ(ReadFileBytes(dir.File("none.csv")), "\"Rows affected\"\r\n0\r\n");
    window->setWindowTitle("Querimo - a&b<c>.sql");
    ASSERT_TRUE(Export("select id from t", "page.HTML"));
    EXPECT_NE(ReadFileBytes(dir.File("page.HTML"))
                  .find("<h3 class=heading3>Querimo - a&amp;b&lt;c&gt;.sql export results as at "),
              std::string::npos);
}

TEST_F(ExportTest, FailuresWriteNothingAndReportOnlyRealErrors) {
    const std::string xml = dir.Write("out.xml", "keep");
    EXPECT_FALSE(window->ExportToFile("select id from t", xml, nullptr));
    EXPECT_EQ(ReadFileBytes(xml), "keep");
    EXPECT_FALSE(Export("", "empty.csv"));
    EXPECT_TRUE(prompt.messages.empty());
    EXPECT_FALSE(Export("select nothing from nowhere", "bad.csv"));
    ASSERT_FALSE(prompt.messages.empty());
    EXPECT_EQ(prompt.messages[0].caption, "ODBC Error");
}

// The export writes the long value whole; the grid keeps only its start and says so.
TEST_F(ExportTest, GridAndRecordViewMarkACutValue) {
    ASSERT_TRUE(Export("select note from t order by id", "whole.csv"));
    EXPECT_EQ(ReadFileBytes(dir.File("whole.csv")),
              "\"note\"\r\n\"" + std::string(20000, 'x') + "\"\r\n\"\"\r\n");
    Execute(*window, "select name, note from t order by id");
    const querimo::ResultGridModel& grid = *window->m_resultList;
    EXPECT_EQ(grid.Cell(0, 2), std::string(16383, 'x'));
    EXPECT_EQ(grid.data(grid.index(0, 2), Qt::DisplayRole).toString(),
              QString(16383, 'x') + QChar(0x2026));
    EXPECT_EQ(grid.data(grid.index(0, 1), Qt::DisplayRole).toString(), "one");
    EXPECT_FALSE(grid.IsCutCell(1, 2));
    QString shown;
    window->m_runRecordView = [&shown](CRecordDlg& record) {
        record.show();
        shown = record.findChild<QTableWidget*>("1005")->item(2, 1)->text();
    };
    window->ShowRecord(0);
    EXPECT_TRUE(shown.endsWith(QString("xx") + QChar(0x2026)));
}

}  // namespace
