#pragma once
// The start-up splash picture. Not drawn yet: enabling and showing it do nothing.

class QEvent;
class QWidget;

class CSplashWnd {
  public:
    static void EnableSplash(bool enable) { s_enabled = enable; }
    static void ShowSplash(QWidget* parent) { (void)parent; }
    // Whether the splash took the event (a key or click that only closes it).
    static bool FilterAppMessage(QEvent* event) {
        (void)event;
        return false;
    }

  private:
    static inline bool s_enabled = false;
};
