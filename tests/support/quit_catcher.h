#pragma once
// Swallows the application's quit requests, counting them, so that one left pending closes
// nothing in the test application.

#include <QCoreApplication>
#include <QEvent>
#include <QObject>

class QuitCatcher : public QObject {
  public:
    QuitCatcher() { qApp->installEventFilter(this); }
    ~QuitCatcher() override { qApp->removeEventFilter(this); }
    int caught = 0;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == qApp && event->type() == QEvent::Quit) {
            ++caught;
            return true;
        }
        return false;
    }
};
