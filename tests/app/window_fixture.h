#pragma once
// A main window as a person meets it: shown, connected to a SQLite database of its own, every
// question answered by a scripted prompt.

#include "app/querimo_dlg.h"
#include "db/odbc_connect.h"
#include "db/odbc_environment.h"
#include "support/scripted_prompt.h"
#include "support/temp_dir.h"
#include "support/test_databases.h"
#include "ui/result_grid_model.h"
#include "ui/wait_progress_dlg.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>

// Also answers the one-line questions (a password, a text to find), in order; nullopt cancels.
class WindowPrompt : public ScriptedPrompt {
  public:
    std::optional<std::string> AskText(const querimo::TextRequest& request) override {
        textRequests.push_back(request);
        std::optional<std::string> answer;
        if (!textAnswers.empty()) {
            answer = textAnswers.front();
            textAnswers.pop_front();
        }
        return answer;
    }
    std::deque<std::optional<std::string>> textAnswers;
    std::vector<querimo::TextRequest> textRequests;
};

class WindowTest : public ::testing::Test {
  protected:
    using Lines = std::vector<std::vector<std::string>>;

    void TearDown() override { ODBCEnvironment::SetErrorHandler(nullptr); }

    std::unique_ptr<CQuerimoDlg> OpenWindow(bool connected = true) {
        auto window = std::make_unique<CQuerimoDlg>();
        window->OnInitDialog();
        if (connected) {
            const std::string connection = SqliteConnectionString(dir.File("demo.db"));
            window->SetConnection(
                new ODBCConnect(nullptr, connection.c_str(), SQL_DRIVER_NOPROMPT));
        }
        prompt.messages.clear();
        prompt.messageAnswers.clear();
        prompt.fileAnswers.clear();
        return window;
    }
    static QPlainTextEdit* Editor(CQuerimoDlg& window) {
        return qobject_cast<QPlainTextEdit*>(window.Control(IDC_SQL));
    }
    static void Click(CQuerimoDlg& window, int id) {
        QTest::mouseClick(window.Control(id), Qt::LeftButton);
        QCoreApplication::sendPostedEvents();  // Exit posts its close request.
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
    // Runs atPump while the progress window pumps events, once at each pump.
    static void Execute(CQuerimoDlg& window, const std::string& sql,
                        const std::function<void(CWaitProgressDlg&)>& atPump) {
        QTimer timer;
        QObject::connect(&timer, &QTimer::timeout, [&] {
            if (CWaitProgressDlg* progress = VisibleProgressWindow()) {
                atPump(*progress);
            }
        });
        timer.start(0);
        Execute(window, sql);
    }
    void ChooseDataSource(CQuerimoDlg& window, const std::string& connection) {
        prompt.dataSourceAnswers.push_back(connection);
        Click(window, IDC_DATASOURCE);
    }
    // Every line made, each of which the view must have been told of.
    static Lines GridLines(const CQuerimoDlg& window) {
        EXPECT_EQ(window.m_resultList->rowCount(), window.m_resultList->LineCount());
        Lines lines(window.m_resultList->LineCount());
        for (std::size_t line = 0; line < lines.size(); ++line) {
            for (int column = 0; column < window.m_resultList->CellCount(int(line)); ++column) {
                lines[line].push_back(window.m_resultList->Cell(int(line), column));
            }
        }
        return lines;
    }
    static void TypeAtEnd(CQuerimoDlg& window, const QString& text) {
        Editor(window)->moveCursor(QTextCursor::End);
        QTest::keyClicks(Editor(window), text);
    }
    void OpenScript(CQuerimoDlg& window, const std::string& path) {
        prompt.fileAnswers.push_back(path);
        Click(window, IDC_OPEN);
    }
    void SaveScriptAs(CQuerimoDlg& window, const std::string& path) {
        prompt.fileAnswers.push_back(path);
        Click(window, IDC_SAVE);
    }

    TempDir dir;
    WindowPrompt prompt;
};
