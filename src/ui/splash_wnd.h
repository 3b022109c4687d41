#pragma once
// The start-up splash: the picture alone, centred, until its timer ticks or a key or mouse button
// is pressed anywhere in the program. The press that ends it reaches no window.

#include <QBasicTimer>
#include <QPixmap>
#include <QString>
#include <QWidget>

class CSplashWnd : public QWidget {
    Q_OBJECT
  public:
    ~CSplashWnd() override;

    static void EnableSplash(bool enable) { s_bSplashEnabled = enable; }
    // Shows the splash once, if enabled; a picture that cannot be loaded skips it silently.
    static void ShowSplash(QWidget* parent);
    static void ShowSplash(QWidget* parent, const QString& picture);
    // Whether the splash took the event: a key or button press that only ends it.
    static bool FilterAppMessage(QEvent* event);
    // The splash while it is up, or nullptr.
    static CSplashWnd* Current() { return s_pSplash; }

    void HideSplash();

    // How long the splash stands at least, unless a key or click ends it sooner.
    static constexpr int kShowMs = 1000;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    CSplashWnd() = default;
    bool Create(QWidget* parent, const QString& picture);
    void OnCreate();
    void PaintNow();

    QPixmap m_bitmap;
    QBasicTimer m_timer;

    static inline bool s_bSplashEnabled = false;
    static inline CSplashWnd* s_pSplash = nullptr;
};
