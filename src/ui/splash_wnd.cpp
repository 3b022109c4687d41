#include "ui/splash_wnd.h"

#include "ui/artwork.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QThread>
#include <QWindow>

namespace {

// Long enough for a window manager to map the window, short against the start-up wait.
constexpr int kExposeWaitMs = 500;

bool IsButtonPress(const QEvent& event) {
    if (event.type() != QEvent::MouseButtonPress &&
        event.type() != QEvent::NonClientAreaMouseButtonPress) {
        return false;
    }
    Qt::MouseButton button = static_cast<const QMouseEvent&>(event).button();
    return button == Qt::LeftButton || button == Qt::RightButton || button == Qt::MiddleButton;
}

}  // namespace

CSplashWnd::~CSplashWnd() {
    if (s_pSplash == this) {
        s_pSplash = nullptr;
    }
}

void CSplashWnd::ShowSplash(QWidget* parent) {
    ShowSplash(parent, QString::fromLatin1(querimo::kSplashPicture));
}

void CSplashWnd::ShowSplash(QWidget* parent, const QString& picture) {
    if (!s_bSplashEnabled || s_pSplash != nullptr) {
        return;
    }
    s_pSplash = new CSplashWnd;
    if (!s_pSplash->Create(parent, picture)) {
        delete s_pSplash;
        return;
    }
    s_pSplash->PaintNow();
}

bool CSplashWnd::Create(QWidget* parent, const QString& picture) {
    querimo::LoadArtwork();
    if (!m_bitmap.load(picture)) {
        return false;
    }
    setParent(parent, Qt::SplashScreen | Qt::FramelessWindowHint);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFixedSize(m_bitmap.deviceIndependentSize().toSize());
    OnCreate();
    show();
    return true;
}

void CSplashWnd::OnCreate() {
    QRect area = parentWidget() != nullptr ? parentWidget()->window()->frameGeometry()
                                           : QGuiApplication::primaryScreen()->availableGeometry();
    move(area.center() - rect().center());
    m_timer.start(kShowMs, Qt::PreciseTimer, this);
    // Sees every key and click of the program before any window does.
    qApp->installEventFilter(this);
}

// The start-up wait that follows processes nothing, so the window is mapped and painted now.
void CSplashWnd::PaintNow() {
    QElapsedTimer waited;
    waited.start();
    while (windowHandle() != nullptr && !windowHandle()->isExposed() &&
           waited.elapsed() < kExposeWaitMs) {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 10);
        QThread::msleep(5);
    }
    repaint();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void CSplashWnd::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawPixmap(0, 0, m_bitmap);
}

void CSplashWnd::timerEvent(QTimerEvent*) {
    HideSplash();
}

bool CSplashWnd::eventFilter(QObject*, QEvent* event) {
    return FilterAppMessage(event);
}

bool CSplashWnd::FilterAppMessage(QEvent* event) {
    if (s_pSplash == nullptr) {
        return false;
    }
    if (event->type() == QEvent::ShortcutOverride) {
        // Claimed, so that no shortcut or mnemonic acts on the key that ends the splash.
        event->accept();
        return true;
    }
    if (event->type() == QEvent::KeyPress || IsButtonPress(*event)) {
        s_pSplash->HideSplash();
        return true;
    }
    return false;
}

void CSplashWnd::HideSplash() {
    m_timer.stop();
    qApp->removeEventFilter(this);
    // Gone for the program at once: the very next key must reach its window.
    if (s_pSplash == this) {
        s_pSplash = nullptr;
    }
    hide();
    deleteLater();
}
