#pragma once
// A main window as a person meets it: shown, optionally connected to a SQLite database, with
// every question answered by a scripted prompt that keeps its settings in a real settings file.

#include "app/querimo_dlg.h"
#include "db/odbc_connect.h"
#include "db/odbc_environment.h"
#include "support/scripted_prompt.h"
#include "support/temp_dir.h"
#include "support/test_databases.h"
#include "ui/qt_prompt.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QPlainTextEdit>
#include <QSettings>
#include <QTest>

#include <memory>
#include <string>

// Answers questions as scripted; settings go to the settings file as in the program.
class FileSettingsPrompt : public ScriptedPrompt {
  public:
    std::string ReadSetting(const std::string& section, const std::string& key) override {
        return m_qtPrompt.ReadSetting(section, key);
    }
    void WriteSetting(const std::string& section, const std::string& key,
                      const std::string& value) override {
        m_qtPrompt.WriteSetting(section, key, value);
    }

  private:
    querimo::QtPrompt m_qtPrompt;
};

class WindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                           QString::fromStdString(dir.File("config")));
    }
    void TearDown() override { ODBCEnvironment::SetErrorHandler(nullptr); }

    std::unique_ptr<CQuerimoDlg> OpenWindow(bool connected = true) {
        auto window = std::make_unique<CQuerimoDlg>();
        window->OnInitDialog();
        if (connected) {
            window->SetConnection(new ODBCConnect(
                nullptr, SqliteConnectionString(dir.File("demo.db")).c_str(), SQL_DRIVER_NOPROMPT));
        }
        prompt.messages.clear();
        prompt.fileRequests.clear();
        prompt.messageAnswers.clear();
        prompt.fileAnswers.clear();
        return window;
    }

    static QPlainTextEdit* Editor(CQuerimoDlg& window) {
        return qobject_cast<QPlainTextEdit*>(window.Control(IDC_SQL));
    }

    static void Click(CQuerimoDlg& window, int id) {
        QTest::mouseClick(window.Control(id), Qt::LeftButton);
        // Exit posts its close request.
        QCoreApplication::sendPostedEvents();
    }

    static void TypeAtEnd(CQuerimoDlg& window, const QString& text) {
        QPlainTextEdit* editor = Editor(window);
        editor->moveCursor(QTextCursor::End);
        QTest::keyClicks(editor, text);
    }

    // Opens a script through the Open button and its dialog.
    void OpenScript(CQuerimoDlg& window, const std::string& path) {
        prompt.fileAnswers.push_back(path);
        Click(window, IDC_OPEN);
    }

    void SaveScriptAs(CQuerimoDlg& window, const std::string& path) {
        prompt.fileAnswers.push_back(path);
        Click(window, IDC_SAVE);
    }

    // The SQLite driver names no data source, so the title shows none.
    static std::string Title(const std::string& fileName = "") {
        return fileName.empty() ? "Querimo --" : "Querimo -- [" + fileName + "]";
    }

    std::string SettingsFileText() {
        return ReadFileBytes(dir.File("config") + "/Brenlow Ltd/" +
                             QCoreApplication::applicationName().toStdString() + ".conf");
    }

    TempDir dir;
    FileSettingsPrompt prompt;
};
