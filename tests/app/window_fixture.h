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
#include "ui/result_grid_model.h"
#include "ui/wait_progress_dlg.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCoreApplication>
#include <QPlainTextEdit>
#include <QSettings>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>
#include <string>
#include <vector>

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

    using Lines = std::vector<std::vector<std::string>>;

    static QPlainTextEdit* Editor(CQuerimoDlg& window) {
        return qobject_cast<QPlainTextEdit*>(window.Control(IDC_SQL));
    }

    static void Click(CQuerimoDlg& window, int id) {
        QTest::mouseClick(window.Control(id), Qt::LeftButton);
        // Exit posts its close request.
        QCoreApplication::sendPostedEvents();
    }

    static void SetSql(CQuerimoDlg& window, const std::string& sql) {
        window.m_strSql = sql;
        window.UpdateData(false);
    }

    static void Execute(CQuerimoDlg& window, const std::string& sql) {
        SetSql(window, sql);
        Click(window, IDC_EXECUTE);
    }

    static CWaitProgressDlg* VisibleProgressWindow() {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            auto* progress = qobject_cast<CWaitProgressDlg*>(widget);
            if (progress != nullptr && progress->isVisible()) {
                return progress;
            }
        }
        return nullptr;
    }

    // Runs while the progress window pumps events, once at each pump.
    static void Execute(CQuerimoDlg& window, const std::string& sql,
                        const std::function<void(CWaitProgressDlg&)>& atPump) {
        QTimer timer;
        timer.setInterval(0);
        QObject::connect(&timer, &QTimer::timeout, [&] {
            if (CWaitProgressDlg* progress = VisibleProgressWindow()) {
                atPump(*progress);
            }
        });
        timer.start();
        Execute(window, sql);
        timer.stop();
    }

    // Connects through the data source chooser, as a person does.
    void ChooseDataSource(CQuerimoDlg& window, const std::string& connection) {
        prompt.dataSourceAnswers.push_back(connection);
        Click(window, IDC_DATASOURCE);
    }

    static Lines GridLines(const CQuerimoDlg& window) {
        Lines lines;
        const querimo::ResultGridModel& grid = *window.m_resultList;
        for (int line = 0; line < grid.LineCount(); ++line) {
            std::vector<std::string> cells;
            for (int column = 0; column < grid.CellCount(line); ++column) {
                cells.push_back(grid.Cell(line, column));
            }
            lines.push_back(cells);
        }
        return lines;
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
