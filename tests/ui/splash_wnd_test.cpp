#include "ui/splash_wnd.h"

#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QScreen>
#include <QShortcut>
#include <QTest>
#include <QTimerEvent>

namespace {

// A window that counts the keys and clicks that reach it.
class Target : public QWidget {
  public:
    Target() {
        resize(300, 200);
        show();
        activateWindow();
        setFocus();
    }
    int keys = 0;
    int clicks = 0;

  protected:
    void keyPressEvent(QKeyEvent*) override { ++keys; }
    void mousePressEvent(QMouseEvent*) override { ++clicks; }
};

int SplashWindows() {
    int count = 0;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        count += qobject_cast<CSplashWnd*>(widget) != nullptr;
    }
    return count;
}

class SplashWndTest : public ::testing::Test {
  protected:
    void TearDown() override {
        if (CSplashWnd::Current() != nullptr) {
            CSplashWnd::Current()->HideSplash();
        }
        CSplashWnd::EnableSplash(false);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    CSplashWnd* Show(QWidget* parent = nullptr) {
        CSplashWnd::EnableSplash(true);
        CSplashWnd::ShowSplash(parent);
        return CSplashWnd::Current();
    }

    // Deleting happens once the event loop comes round, as it does in the program.
    static void LetDeletionsHappen() {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
};

TEST_F(SplashWndTest, ShowsThePictureCentredAndFrameless) {
    CSplashWnd* splash = Show();
    ASSERT_NE(splash, nullptr);
    EXPECT_TRUE(splash->isVisible());
    EXPECT_EQ(splash->size(), QSize(388, 143));
    EXPECT_TRUE(splash->windowFlags() & Qt::FramelessWindowHint);
    QPoint screenCentre = QGuiApplication::primaryScreen()->availableGeometry().center();
    EXPECT_LE((splash->geometry().center() - screenCentre).manhattanLength(), 1);
    QImage shown = splash->grab().toImage();
    QImage picture(QStringLiteral(":/querimo/splash.png"));
    EXPECT_EQ(shown.convertToFormat(QImage::Format_RGB888),
              picture.convertToFormat(QImage::Format_RGB888));
}

TEST_F(SplashWndTest, CentresOnItsOwner) {
    QWidget owner;
    owner.setGeometry(50, 60, 700, 500);
    owner.show();
    CSplashWnd* splash = Show(&owner);
    ASSERT_NE(splash, nullptr);
    EXPECT_LE((splash->geometry().center() - owner.frameGeometry().center()).manhattanLength(), 1);
    splash->HideSplash();
    LetDeletionsHappen();
}

TEST_F(SplashWndTest, NeverTwoAndNoneWhenDisabled) {
    CSplashWnd::EnableSplash(false);
    CSplashWnd::ShowSplash(nullptr);
    EXPECT_EQ(CSplashWnd::Current(), nullptr);
    CSplashWnd* first = Show();
    CSplashWnd::ShowSplash(nullptr);
    EXPECT_EQ(CSplashWnd::Current(), first);
    EXPECT_EQ(SplashWindows(), 1);
}

TEST_F(SplashWndTest, PictureThatCannotBeLoadedSkipsTheSplashSilently) {
    TempDir dir;
    CSplashWnd::EnableSplash(true);
    for (const QString& picture :
         {QStringLiteral(":/querimo/none.png"), QString::fromStdString(dir.File("none.png")),
          QString::fromStdString(dir.Write("broken.png", "\x89PNG not really"))}) {
        CSplashWnd::ShowSplash(nullptr, picture);
        EXPECT_EQ(CSplashWnd::Current(), nullptr) << picture.toStdString();
        LetDeletionsHappen();
        EXPECT_EQ(SplashWindows(), 0);
    }
}

TEST_F(SplashWndTest, FirstKeyEndsTheSplashAndReachesNoWindowTheNextDoes) {
    Target target;
    ASSERT_NE(Show(), nullptr);
    QTest::keyClick(&target, Qt::Key_A);
    EXPECT_EQ(CSplashWnd::Current(), nullptr);
    EXPECT_EQ(target.keys, 0);
    QTest::keyClick(&target, Qt::Key_B);
    EXPECT_EQ(target.keys, 1);
    LetDeletionsHappen();
    EXPECT_EQ(SplashWindows(), 0);
}

TEST_F(SplashWndTest, ShortcutKeyEndingTheSplashTriggersNothing) {
    QWidget window;
    int triggered = 0;
    auto* shortcut = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_G), &window);
    QObject::connect(shortcut, &QShortcut::activated, [&] { ++triggered; });
    window.show();
    QApplication::setActiveWindow(&window);
    QTest::keyClick(&window, Qt::Key_G, Qt::ControlModifier);
    ASSERT_EQ(triggered, 1);
    ASSERT_NE(Show(), nullptr);
    QTest::keyClick(&window, Qt::Key_G, Qt::ControlModifier);
    EXPECT_EQ(CSplashWnd::Current(), nullptr);
    EXPECT_EQ(triggered, 1);
    // The offscreen platform activates every window it shows, the splash included.
    QApplication::setActiveWindow(&window);
    QTest::keyClick(&window, Qt::Key_G, Qt::ControlModifier);
    EXPECT_EQ(triggered, 2);
}

TEST_F(SplashWndTest, MouseButtonsEndTheSplashAndAreSwallowed) {
    Target target;
    for (Qt::MouseButton button : {Qt::LeftButton, Qt::RightButton, Qt::MiddleButton}) {
        ASSERT_NE(Show(), nullptr);
        QTest::mousePress(&target, button);
        EXPECT_EQ(CSplashWnd::Current(), nullptr) << button;
        QTest::mouseRelease(&target, button);
        EXPECT_EQ(target.clicks, 0) << button;
    }
    QTest::mousePress(&target, Qt::LeftButton);
    EXPECT_EQ(target.clicks, 1);
}

TEST_F(SplashWndTest, TimerTickEndsTheSplash) {
    CSplashWnd* splash = Show();
    ASSERT_NE(splash, nullptr);
    QTimerEvent tick(1);
    QCoreApplication::sendEvent(splash, &tick);
    EXPECT_EQ(CSplashWnd::Current(), nullptr);
    LetDeletionsHappen();
    EXPECT_EQ(SplashWindows(), 0);
}

TEST_F(SplashWndTest, StandsAtLeastASecondWhenNothingIsPressed) {
    QElapsedTimer shown;
    shown.start();
    ASSERT_NE(Show(), nullptr);
    ASSERT_TRUE(QTest::qWaitFor([] { return CSplashWnd::Current() == nullptr; }, 10000));
    EXPECT_GE(shown.elapsed(), CSplashWnd::kShowMs);
}

}  // namespace
