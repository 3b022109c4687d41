#include "ui/wait_progress_dlg.h"
#include "support/quit_catcher.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>

#include <functional>
#include <memory>

namespace {

class WaitProgressDlgTest : public ::testing::Test {
  protected:
    void SetUp() override {
        mainWindow.resize(400, 300);
        focused = new QLineEdit(&mainWindow);
        mainWindow.show();
        focused->setFocus();
    }

    std::unique_ptr<CWaitProgressDlg> Open(const char* caption = nullptr,
                                           const char* message = nullptr) {
        return std::make_unique<CWaitProgressDlg>(&cancel, caption, message, &mainWindow);
    }

    template <typename Widget>
    static Widget* Control(CWaitProgressDlg& dialog, int id) {
        return dialog.findChild<Widget*>(QString::number(id));
    }

    static int Position(CWaitProgressDlg& dialog) {
        return Control<QProgressBar>(dialog, IDC_WAIT_PROGRESS)->value();
    }

    QWidget mainWindow;
    QLineEdit* focused = nullptr;
    bool cancel = false;
};

TEST_F(WaitProgressDlgTest, StandsInFrontOfTheDisabledMainWindow) {
    auto dialog = Open();
    EXPECT_FALSE(mainWindow.isEnabled());
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_TRUE(dialog->IsWindow());
    EXPECT_EQ(dialog->windowTitle(), "Working");
    EXPECT_EQ(Control<QPushButton>(*dialog, IDC_WAIT_CANCEL)->text(), "Cancel");
    EXPECT_EQ(Control<QLabel>(*dialog, IDC_WAIT_MESSAGE)->text(),
              "Click Cancel to cancel the operation");
    QLabel* inProgress = Control<QLabel>(*dialog, IDC_WAIT_IN_PROGRESS);
    EXPECT_EQ(inProgress->text(), "In progress...");
    EXPECT_FALSE(inProgress->isVisible());
    EXPECT_EQ(Position(*dialog), 0);
    EXPECT_FALSE(cancel);
    dialog.reset();
    EXPECT_TRUE(mainWindow.isEnabled());
    EXPECT_FALSE(cancel);
    EXPECT_EQ(mainWindow.focusWidget(), focused);
}

TEST_F(WaitProgressDlgTest, CaptionAndMessageReplaceTheTemplatesTexts) {
    auto dialog = Open("Fetching data...",
                       "Gr\xC3\xBC\xC3\x9F"
                       "e");
    EXPECT_EQ(dialog->windowTitle(), "Fetching data...");
    EXPECT_EQ(Control<QLabel>(*dialog, IDC_WAIT_MESSAGE)->text(), QString::fromUtf8("Grüße"));
}

TEST_F(WaitProgressDlgTest, PercentIsClampedAndIgnoredOnceTheWindowIsGone) {
    auto dialog = Open();
    for (auto [given, shown] : {std::pair{42, 42}, {-5, 0}, {250, 100}, {100, 100}, {7, 7}}) {
        dialog->SetPercent(given);
        EXPECT_EQ(Position(*dialog), shown) << given;
    }
    dialog->Close();
    dialog->SetPercent(60);
    EXPECT_EQ(Position(*dialog), 7);
}

TEST_F(WaitProgressDlgTest, CancelButtonEscapeAndCloseBoxAllCancel) {
    const std::pair<const char*, std::function<void(CWaitProgressDlg&)>> ways[] = {
        {"Button",
         [](CWaitProgressDlg& d) {
             QTest::mouseClick(Control<QPushButton>(d, IDC_WAIT_CANCEL), Qt::LeftButton);
         }},
        {"Escape", [](CWaitProgressDlg& d) { QTest::keyClick(&d, Qt::Key_Escape); }},
        {"CloseBox", [](CWaitProgressDlg& d) { d.close(); }},
    };
    for (const auto& [name, way] : ways) {
        SCOPED_TRACE(name);
        cancel = false;
        auto dialog = Open();
        way(*dialog);
        EXPECT_TRUE(cancel);
        EXPECT_FALSE(dialog->isVisible());
        EXPECT_FALSE(dialog->IsWindow());
        EXPECT_TRUE(mainWindow.isEnabled());
        // The object outlives its window: pumping and closing again stay harmless.
        EXPECT_TRUE(dialog->PumpMessages());
        dialog->Close();
        dialog->Close();
        EXPECT_TRUE(mainWindow.isEnabled());
        EXPECT_TRUE(cancel);
    }
}

TEST_F(WaitProgressDlgTest, CloseReenablesTheMainWindowEveryTime) {
    auto dialog = Open();
    dialog->Close();
    EXPECT_TRUE(mainWindow.isEnabled());
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_FALSE(cancel);
    mainWindow.setEnabled(false);
    dialog->Close();
    EXPECT_TRUE(mainWindow.isEnabled());
}

TEST_F(WaitProgressDlgTest, PumpDeliversWaitingEventsAndLeavesTheFlagAlone) {
    auto dialog = Open();
    int delivered = 0;
    QMetaObject::invokeMethod(
        &mainWindow, [&] { ++delivered; }, Qt::QueuedConnection);
    QMetaObject::invokeMethod(
        &mainWindow, [&] { ++delivered; }, Qt::QueuedConnection);
    EXPECT_TRUE(dialog->PumpMessages());
    EXPECT_EQ(delivered, 2);
    EXPECT_FALSE(cancel);
    EXPECT_TRUE(dialog->isVisible());
}

TEST_F(WaitProgressDlgTest, AQuitRequestDuringThePumpCancelsAndIsPutBack) {
    QuitCatcher catcher;
    auto dialog = Open();
    int laterEvent = 0;
    QCoreApplication::postEvent(qApp, new QEvent(QEvent::Quit));
    EXPECT_FALSE(dialog->PumpMessages());
    EXPECT_TRUE(cancel);
    EXPECT_EQ(catcher.caught, 0);
    // The window stays up until its owner closes it.
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_FALSE(mainWindow.isEnabled());
    dialog->Close();
    QMetaObject::invokeMethod(
        &mainWindow, [&] { ++laterEvent; }, Qt::QueuedConnection);
    QCoreApplication::processEvents();
    EXPECT_EQ(catcher.caught, 1);
    EXPECT_EQ(laterEvent, 1);
}

}  // namespace
