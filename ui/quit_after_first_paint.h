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
// message box open by then ("Matricola NON Trovata", before the application's loop runs) is
// closed; Painted() then tells the caller to end instead of starting that loop.
class QuitAfterFirstPaint final : public QObject {
  public:
    using QObject::QObject;

    bool Painted() const { return painted_; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            watched->removeEventFilter(this);
            painted_ = true;
            QTimer::singleShot(0, qApp, [] {
                if (QWidget* box = QApplication::activeModalWidget()) box->close();
                QCoreApplication::quit();
            });
        }
        return false;
    }

  private:
    bool painted_ = false;
};

}  // namespace velmaro
