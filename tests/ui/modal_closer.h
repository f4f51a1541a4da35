#pragma once

#include <QObject>
#include <QTimer>

#include <functional>

class QWidget;

namespace velmaro::testing {

// Deals with the next modal window a test is about to open: armed before the action that
// opens it, it waits for QApplication::activeModalWidget() and hands that widget to handle,
// which must close it. Handles one modal window, then stops.
class ModalCloser final : public QObject {
  public:
    explicit ModalCloser(std::function<void(QWidget*)> handle);

    // True once a modal window was found and handled.
    bool Handled() const { return handled_; }

  private:
    void Poll();

    std::function<void(QWidget*)> handle_;
    QTimer timer_;
    bool handled_ = false;
};

}  // namespace velmaro::testing
