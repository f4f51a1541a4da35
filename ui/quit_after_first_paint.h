#pragma once

#include <QApplication>
#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <QTimer>
#include <QWidget>

namespace velmaro {

// Installed as an event filter on a window, ends the application once the window has handled
// its first paint: how start-up is timed from the outside (the window shown, then gone). A
// message box open by then ("Matricola NON Trovata" for a number given at start) is closed.
class QuitAfterFirstPaint final : public QObject {
  public:
    using QObject::QObject;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            watched->removeEventFilter(this);
            QTimer::singleShot(0, qApp, [] {
                if (QWidget* box = QApplication::activeModalWidget()) box->close();
                QCoreApplication::quit();
            });
        }
        return false;
    }
};

}  // namespace velmaro
