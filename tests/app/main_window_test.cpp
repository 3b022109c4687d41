#include "app/querimo_dlg.h"

#include "db/odbc_connect.h"
#include "db/odbc_environment.h"
#include "support/scripted_prompt.h"
#include "support/temp_dir.h"
#include "support/test_databases.h"
#include "ui/result_grid_model.h"
#include "ui/text_bytes.h"

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextCursor>

#include <cstdlib>
#include <memory>

namespace {

constexpr const char* kMissingDsn = "DSN=QuerimoNoSuchSource";

// A private user data source, so the title can show a real data source name. The driver
// manager reads ODBCINI once per process, so the file is made once and kept for the run.
void UsePrivateDataSource() {
    static TempDir folder;
    static bool written = [] {
        std::string ini = folder.Write("odbc.ini", "[QuerimoDemo]\nDriver=SQLite3\nDatabase=" +
                                                       folder.File("demo.db") + "\n");
        setenv("ODBCINI", ini.c_str(), 1);
        return true;
    }();
    (void)written;
}

class MainWindowTest : public ::testing::Test {
  protected:
    void SetUp() override { UsePrivateDataSource(); }
    void TearDown() override { ODBCEnvironment::SetErrorHandler(nullptr); }

    std::unique_ptr<CQuerimoDlg> Start(std::vector<std::string> arguments) {
        auto window = std::make_unique<CQuerimoDlg>(std::move(arguments));
        window->OnInitDialog();
        return window;
    }

    QPlainTextEdit* Editor(CQuerimoDlg& window) {
        return qobject_cast<QPlainTextEdit*>(window.Control(IDC_SQL));
    }

    TempDir dir;
    ScriptedPrompt prompt;
};

TEST_F(MainWindowTest, ControlsStartAsTheTemplateSays) {
    CQuerimoDlg window;
    struct Expected {
        int id;
        const char* text;
        bool enabled;
    };
    for (const Expected& control :
         {Expected{IDC_DATASOURCE, "&DataSource...", true}, Expected{IDC_SQL, "", false},
          Expected{IDC_EXECUTE, "&Execute", false}, Expected{IDC_OPEN, "&Open...", false},
          Expected{IDC_SAVE, "&Save...", false}, Expected{IDC_CLEAR, "&Clear", false},
          Expected{IDC_EXIT, "E&xit", true}, Expected{IDC_MAX_ROWS, "", true},
          Expected{IDC_EXPORT, "Ex&port", false}, Expected{IDC_RESULT_LIST, "", false},
          Expected{IDC_SEPARATOR, "", true}}) {
        QWidget* widget = window.Control(control.id);
        ASSERT_NE(widget, nullptr) << control.id;
        EXPECT_EQ(widget->isEnabled(), control.enabled) << control.id;
        if (*control.text != '\0') {
            EXPECT_EQ(widget->property("text").toString().toStdString(), control.text);
        }
    }
    window.UpdateData(false);
    EXPECT_EQ(qobject_cast<QLineEdit*>(window.Control(IDC_MAX_ROWS))->text(), "1000");
    EXPECT_EQ(qobject_cast<QLineEdit*>(window.Control(IDC_SEPARATOR))->text(), ",");
    EXPECT_EQ(window.windowTitle(), "Querimo");
}

TEST_F(MainWindowTest, NoArgumentsShowsTheWindowUnconnected) {
    auto window = Start({});
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->m_pConnect, nullptr);
    EXPECT_TRUE(prompt.messages.empty());
}

TEST_F(MainWindowTest, ConnectionStringAndScriptOpenConnectedWithTheFile) {
    const std::string script = "select 1;\r\nselect 'Gr\xC3\xBC\xC3\x9F' -- caf\xE9\n";
    std::string path = dir.Write("report.sql", script);
    auto window = Start({"DSN=QuerimoDemo", path});
    ASSERT_NE(window->m_pConnect, nullptr);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->m_strSql, script);
    EXPECT_EQ(window->windowTitle(), "Querimo -- QuerimoDemo [report.sql]");
    EXPECT_TRUE(window->m_bSaved);
    EXPECT_TRUE(Editor(*window)->isEnabled());
    EXPECT_TRUE(window->Control(IDC_EXPORT)->isEnabled());
    // Text nobody edited reads back as exactly the file's bytes, invalid UTF-8 included.
    ASSERT_TRUE(window->UpdateData(true));
    EXPECT_EQ(window->m_strSql, script);
    EXPECT_TRUE(prompt.messages.empty());
}

TEST_F(MainWindowTest, ConnectionStringAloneShowsTheDefaultQuery) {
    auto window = Start({"DSN=QuerimoDemo"});
    ASSERT_NE(window->m_pConnect, nullptr);
    EXPECT_EQ(Editor(*window)->toPlainText(), "select * from ?");
    EXPECT_EQ(window->windowTitle(), "Querimo -- QuerimoDemo");
}

TEST_F(MainWindowTest, FailedConnectionChangesNothingAndShowsTheDriverManagersError) {
    auto window = Start({"-s"});
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->m_pConnect, nullptr);
    EXPECT_FALSE(window->m_bHeader);
    ASSERT_EQ(prompt.messages.size(), 1u);
    EXPECT_EQ(prompt.messages[0].caption, "ODBC Error");
    EXPECT_EQ(prompt.messages[0].text.rfind("ODBC Error -1: \"[unixODBC][Driver Manager]", 0), 0u)
        << prompt.messages[0].text;
    EXPECT_EQ(prompt.messages[0].icon, querimo::MessageIcon::Warning);

    window->SetConnection(new ODBCConnect(nullptr, "DSN=QuerimoDemo", SQL_DRIVER_NOPROMPT));
    window->m_strFileName = "kept.sql";
    window->UpdateTitle();
    window->m_strSql = "select 42";
    window->UpdateData(false);
    window->SetConnection(new ODBCConnect(nullptr, kMissingDsn, SQL_DRIVER_NOPROMPT));
    EXPECT_EQ(window->windowTitle(), "Querimo -- QuerimoDemo [kept.sql]");
    EXPECT_EQ(Editor(*window)->toPlainText(), "select 42");
    EXPECT_NE(window->m_pConnect, nullptr);
}

TEST_F(MainWindowTest, ScriptIsNotReadWhenTheConnectionFails) {
    std::string path = dir.Write("a.sql", "select 2");
    auto window = Start({kMissingDsn, path});
    EXPECT_EQ(window->m_strSql, "");
    EXPECT_EQ(window->windowTitle(), "Querimo");
}

TEST_F(MainWindowTest, ConnectedWithoutDataSourceNameKeepsTheTitle) {
    auto window = Start({});
    window->setWindowTitle("Querimo");
    window->SetConnection(new ODBCConnect(
        nullptr, ("Driver=SQLite3;Database=" + dir.File("x.db")).c_str(), SQL_DRIVER_NOPROMPT));
    ASSERT_NE(window->m_pConnect, nullptr);
    // SQLite answers with an empty "DSN=" entry, which names nothing.
    EXPECT_EQ(window->windowTitle(), "Querimo -- ");
}

TEST_F(MainWindowTest, EmptyScriptFileClearsTheEditor) {
    auto window = Start({"DSN=QuerimoDemo"});
    window->m_bSaved = false;
    ASSERT_TRUE(window->LoadScript(dir.Write("empty.sql", "")));
    EXPECT_EQ(Editor(*window)->toPlainText(), "");
    EXPECT_EQ(window->m_strSql, "");
    EXPECT_TRUE(window->m_bSaved);
    EXPECT_EQ(window->windowTitle(), "Querimo -- QuerimoDemo [empty.sql]");
}

TEST_F(MainWindowTest, UnreadableScriptsAreReportedAndChangeNothing) {
    auto window = Start({});
    window->m_strSql = "kept";
    window->UpdateData(false);
    struct Case {
        std::string path;
        std::string reason;
    };
    std::string fifo = dir.File("pipe.sql");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    for (const Case& test :
         {Case{dir.File("nothing.sql"), "No such file or directory"},
          Case{dir.Path().string(), "Is a directory"}, Case{fifo, "Not a regular file"},
          Case{"", "No such file or directory"}}) {
        prompt.messages.clear();
        EXPECT_FALSE(window->LoadScript(test.path));
        ASSERT_EQ(prompt.messages.size(), 1u);
        EXPECT_EQ(prompt.messages[0].text,
                  "Could not open file " + test.path + " (" + test.reason + ")");
        EXPECT_EQ(prompt.messages[0].icon, querimo::MessageIcon::Error);
    }
    EXPECT_EQ(Editor(*window)->toPlainText(), "kept");
    EXPECT_EQ(window->windowTitle(), "Querimo");
}

TEST_F(MainWindowTest, TitleIsCutBackBeforeTheBracket) {
    CQuerimoDlg window;
    window.setWindowTitle("Querimo -- abc  [old.sql] tail");
    window.m_strFileName = "new.sql";
    window.UpdateTitle();
    EXPECT_EQ(window.windowTitle(), "Querimo -- abc [new.sql]");
    window.m_strFileName.clear();
    window.UpdateTitle();
    EXPECT_EQ(window.windowTitle(), "Querimo -- abc");
}

TEST_F(MainWindowTest, FocusSelectsTheLineBreakBeforeTheCaretsLine) {
    CQuerimoDlg window;
    window.m_strSql = "select 1\nfrom t";
    window.UpdateData(false);
    QPlainTextEdit* editor = Editor(window);
    QTextCursor cursor = editor->textCursor();
    cursor.setPosition(12);
    editor->setTextCursor(cursor);
    window.FocusSqlEditor(true);
    EXPECT_EQ(editor->textCursor().selectionStart(), 8);
    EXPECT_EQ(editor->textCursor().selectionEnd(), 9);

    cursor.setPosition(3);
    editor->setTextCursor(cursor);
    window.FocusSqlEditor(true);
    EXPECT_FALSE(editor->textCursor().hasSelection());
}

TEST_F(MainWindowTest, FieldsAreValidatedWhenRead) {
    CQuerimoDlg window;
    auto* maxRows = qobject_cast<QLineEdit*>(window.Control(IDC_MAX_ROWS));
    auto* separator = qobject_cast<QLineEdit*>(window.Control(IDC_SEPARATOR));
    struct Case {
        QString maxRows;
        QString separator;
        bool valid;
        const char* message;
    };
    for (const Case& test :
         {Case{"0", ";", true, ""}, Case{"999999", "\\t", true, ""},
          Case{"1000000", ",", false, "Please enter an integer between 0 and 999999."},
          Case{"", ",", false, "Please enter an integer between 0 and 999999."},
          Case{"12", QString::fromUtf8("\xC3\xA9\xC3\xA9"), false,
               "Please enter no more than 2 characters."}}) {
        prompt.messages.clear();
        maxRows->setText(test.maxRows);
        separator->setText(test.separator);
        EXPECT_EQ(window.UpdateData(true), test.valid) << test.maxRows.toStdString();
        if (test.valid) {
            EXPECT_EQ(window.m_nMaxRows, test.maxRows.toUInt());
            EXPECT_EQ(window.m_strSeparator, querimo::ToBytes(test.separator));
            EXPECT_TRUE(prompt.messages.empty());
        } else {
            ASSERT_EQ(prompt.messages.size(), 1u);
            EXPECT_EQ(prompt.messages[0].text, test.message);
        }
    }
}

TEST_F(MainWindowTest, SwitchesSetTheExportFields) {
    auto window = Start({"-u", "-s", "-a", "-q'", "-d", "\\t"});
    EXPECT_TRUE(window->m_bQuoteAll);
    EXPECT_FALSE(window->m_bHeader);
    EXPECT_TRUE(window->m_bAppend);
    EXPECT_EQ(window->m_cQuote, '\'');
    EXPECT_EQ(window->m_cDelimiter, '\t');
    EXPECT_EQ(window->m_strSeparator, "");
}

TEST_F(MainWindowTest, EditsByThePersonMarkTheTextChanged) {
    auto window = Start({"DSN=QuerimoDemo"});
    EXPECT_TRUE(window->m_bSaved);
    Editor(*window)->insertPlainText("x");
    EXPECT_FALSE(window->m_bSaved);
    ASSERT_TRUE(window->UpdateData(true));
    EXPECT_EQ(window->m_strSql.find('x') != std::string::npos, true);
}

TEST_F(MainWindowTest, OsErrorTexts) {
    EXPECT_EQ(CQuerimoDlg::GetOsErrorText(ENOENT), "No such file or directory");
    EXPECT_EQ(CQuerimoDlg::GetOsErrorText(99999), "(OS error no 99999)");
    errno = EACCES;
    EXPECT_EQ(CQuerimoDlg::GetOsErrorText(0), "Permission denied");
}

}  // namespace
