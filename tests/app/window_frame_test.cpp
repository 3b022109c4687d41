#include "ui/about_dlg.h"
#include "window_fixture.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QSizeGrip>

#include <map>

namespace {

class WindowFrameTest : public WindowTest {
  protected:
    static std::map<int, QRect> Geometries(CQuerimoDlg& window) {
        std::map<int, QRect> geometries;
        for (int id : {IDC_EXECUTE, IDC_OPEN, IDC_SAVE, IDC_CLEAR, IDC_EXIT, IDC_SQL,
                       IDC_RESULT_LIST, IDC_DATASOURCE, IDC_MAX_ROWS, IDC_EXPORT, IDC_SEPARATOR}) {
            geometries[id] = window.Control(id)->geometry();
        }
        return geometries;
    }

    static void Resize(CQuerimoDlg& window, QSize size) {
        window.resize(size);
        QCoreApplication::processEvents();
        ASSERT_EQ(window.size(), size);
    }

    static CAboutDlg* AboutBox(CQuerimoDlg& window) { return window.findChild<CAboutDlg*>(); }

    // A right click at a point of the window, delivered to whatever is there.
    static void RightClick(CQuerimoDlg& window, QPoint at) {
        QWidget* target = window.childAt(at) != nullptr ? window.childAt(at) : &window;
        QContextMenuEvent event(QContextMenuEvent::Mouse, target->mapFrom(&window, at),
                                window.mapToGlobal(at));
        QCoreApplication::sendEvent(target, &event);
    }
};

TEST_F(WindowFrameTest, EscNeverClosesTheWindow) {
    auto window = OpenWindow();
    TypeAtEnd(*window, " x");
    const QString text = Editor(*window)->toPlainText();
    for (QWidget* target : {static_cast<QWidget*>(window.get()), window->Control(IDC_SQL),
                            window->Control(IDC_MAX_ROWS), window->Control(IDC_RESULT_LIST)}) {
        QTest::keyClick(target, Qt::Key_Escape);
        QCoreApplication::sendPostedEvents();
        EXPECT_TRUE(window->isVisible()) << target->objectName().toStdString();
    }
    EXPECT_EQ(window->result(), 0);
    EXPECT_EQ(Editor(*window)->toPlainText(), text);
    EXPECT_TRUE(prompt.messages.empty());
}

TEST_F(WindowFrameTest, ResizingMovesTheRightButtonsAndStretchesEditorAndGrid) {
    struct Case {
        int wider;
        int taller;
    };
    for (const Case& test : {Case{100, 0}, Case{100, 50}, Case{-60, -30}, Case{0, 0}}) {
        auto window = OpenWindow();
        const QSize before = window->size();
        const std::map<int, QRect> old = Geometries(*window);
        Resize(*window, before + QSize(test.wider, test.taller));
        const std::map<int, QRect> now = Geometries(*window);
        for (int id : {IDC_EXECUTE, IDC_OPEN, IDC_SAVE, IDC_CLEAR, IDC_EXIT}) {
            EXPECT_EQ(now.at(id), old.at(id).translated(test.wider, 0)) << id;
        }
        EXPECT_EQ(now.at(IDC_SQL), old.at(IDC_SQL).adjusted(0, 0, test.wider, 0));
        EXPECT_EQ(now.at(IDC_RESULT_LIST),
                  old.at(IDC_RESULT_LIST).adjusted(0, 0, test.wider, test.taller));
        for (int id : {IDC_DATASOURCE, IDC_MAX_ROWS, IDC_EXPORT, IDC_SEPARATOR}) {
            EXPECT_EQ(now.at(id), old.at(id)) << id;
        }
    }
}

TEST_F(WindowFrameTest, TooSmallWindowGivesEmptyControlsAndRecovers) {
    auto window = OpenWindow();
    const QSize normal = window->size();
    const std::map<int, QRect> old = Geometries(*window);
    Resize(*window, QSize(150, 120));
    EXPECT_EQ(window->Control(IDC_RESULT_LIST)->size(), QSize(130, 0));
    EXPECT_EQ(window->Control(IDC_SQL)->width(), 0);
    Resize(*window, normal);
    EXPECT_EQ(Geometries(*window), old);
}

TEST_F(WindowFrameTest, BatchRunLeavesTheLayoutAlone) {
    auto window = OpenWindow();
    const std::map<int, QRect> old = Geometries(*window);
    window->m_bInteractive = false;
    window->OnSize(window->width() + 100, window->height() + 100);
    EXPECT_EQ(Geometries(*window), old);
}

TEST_F(WindowFrameTest, StartsCentredOnTheScreen) {
    auto window = OpenWindow(false);
    QPoint screenCentre = QGuiApplication::primaryScreen()->availableGeometry().center();
    EXPECT_LE((window->frameGeometry().center() - screenCentre).manhattanLength(), 1);
    EXPECT_EQ(window->size(), QSize(735, 470));
    EXPECT_FALSE(window->windowIcon().isNull());
}

// Texts cut off by their template places, and controls running into each other, are easy to miss.
TEST_F(WindowFrameTest, EveryTextFitsAndNoControlCoversAnother) {
    auto window = OpenWindow(false);
    QList<QWidget*> controls;
    for (QWidget* child : window->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (child->isVisible() && qobject_cast<QSizeGrip*>(child) == nullptr) {
            controls << child;
        }
    }
    for (QWidget* control : controls) {
        QString text = control->property("text").toString().remove('&');
        if (qobject_cast<QLabel*>(control) != nullptr || qobject_cast<QPushButton*>(control)) {
            const int padding = qobject_cast<QPushButton*>(control) != nullptr ? 8 : 0;
            EXPECT_LE(control->fontMetrics().horizontalAdvance(text) + padding, control->width())
                << text.toStdString();
        }
        for (QWidget* other : controls) {
            EXPECT_TRUE(other == control || !other->geometry().intersects(control->geometry()))
                << control->objectName().toStdString() << " " << text.toStdString() << " / "
                << other->objectName().toStdString();
        }
    }
}

TEST_F(WindowFrameTest, BackgroundMenuOffersTheAboutBox) {
    auto window = OpenWindow();
    RightClick(*window, window->Control(IDC_EXIT)->geometry().center());
    EXPECT_EQ(window->findChild<QMenu*>()->isVisible(), false);

    RightClick(*window, QPoint(3, 3));
    auto* menu = window->findChild<QMenu*>();
    ASSERT_TRUE(menu->isVisible());
    ASSERT_EQ(menu->actions().size(), 1);
    EXPECT_EQ(menu->actions()[0]->text(), "&About Querimo...");
    menu->actions()[0]->trigger();
    menu->hide();

    CAboutDlg* about = AboutBox(*window);
    ASSERT_NE(about, nullptr);
    EXPECT_TRUE(about->isVisible());
    EXPECT_EQ(about->windowModality(), Qt::WindowModal);
    about->accept();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(AboutBox(*window), nullptr);
}

TEST_F(WindowFrameTest, F1OpensOneAboutBox) {
    auto window = OpenWindow();
    QTest::keyClick(Editor(*window), Qt::Key_F1);
    ASSERT_NE(AboutBox(*window), nullptr);
    EXPECT_TRUE(AboutBox(*window)->isVisible());
    window->OnSysCommand(IDM_ABOUTBOX);
    EXPECT_EQ(window->findChildren<CAboutDlg*>().size(), 1);
    EXPECT_TRUE(window->isVisible());
}

}  // namespace
