// The program's start as the application object runs it: splash, start-up wait, main window.
#include "app/querimo_app.h"
#include "app/querimo_dlg.h"

#include "db/odbc_environment.h"
#include "support/scripted_prompt.h"
#include "support/temp_dir.h"
#include "ui/about_dlg.h"
#include "ui/splash_wnd.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>

#include <chrono>
#include <functional>

namespace {

using Clock = std::chrono::steady_clock;

// Runs a check once the main window is shown and its own event loop has started.
class OnMainWindowShown : public QObject {
  public:
    explicit OnMainWindowShown(std::function<void(CQuerimoDlg&)> check) : m_check(check) {
        qApp->installEventFilter(this);
    }
    bool ran = false;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* window = qobject_cast<CQuerimoDlg*>(watched);
        if (window != nullptr && event->type() == QEvent::Show && !m_posted) {
            m_posted = true;
            QMetaObject::invokeMethod(
                this,
                [this, window] {
                    m_check(*window);
                    ran = true;
                },
                Qt::QueuedConnection);
        }
        return false;
    }

  private:
    std::function<void(CQuerimoDlg&)> m_check;
    bool m_posted = false;
};

long long MillisecondsSince(Clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

class AppStartTest : public ::testing::Test {
  protected:
    void TearDown() override {
        ODBCEnvironment::SetErrorHandler(nullptr);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    TempDir dir;
    ScriptedPrompt prompt;
};

TEST_F(AppStartTest, WithoutArgumentsTheSplashStandsUntilTheFirstKey) {
    OnMainWindowShown whenShown([](CQuerimoDlg& window) {
        CSplashWnd* splash = CSplashWnd::Current();
        EXPECT_NE(splash, nullptr);
        if (splash != nullptr) {
            EXPECT_TRUE(splash->isVisible());
            EXPECT_EQ(splash->size(), QSize(388, 143));
        }
        QTest::keyClick(&window, Qt::Key_F1);
        EXPECT_EQ(CSplashWnd::Current(), nullptr);
        EXPECT_EQ(window.findChild<CAboutDlg*>(), nullptr);
        QTest::keyClick(&window, Qt::Key_F1);
        CAboutDlg* about = window.findChild<CAboutDlg*>();
        EXPECT_NE(about, nullptr);
        if (about != nullptr) {
            about->accept();
        }
        window.close();
    });
    auto started = Clock::now();
    EXPECT_EQ(CQuerimoApp({}).InitInstance(), 0);
    EXPECT_TRUE(whenShown.ran);
    EXPECT_GE(MillisecondsSince(started), CQuerimoApp::kStartupWaitMs);
}

TEST_F(AppStartTest, WithArgumentsNoSplashButTheSameWait) {
    std::string script = dir.Write("q.sql", "select 1");
    auto started = Clock::now();
    int exitCode =
        CQuerimoApp({"DSN=QuerimoNoSuchSource", script, dir.File("out.csv")}).InitInstance();
    EXPECT_EQ(exitCode, -1);
    EXPECT_GE(MillisecondsSince(started), CQuerimoApp::kStartupWaitMs);
    EXPECT_EQ(CSplashWnd::Current(), nullptr);
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        EXPECT_EQ(qobject_cast<CSplashWnd*>(widget), nullptr);
    }
}

}  // namespace
