#include "tests/ui/modal_closer.h"

#include <QApplication>
#include <QWidget>

#include <utility>

namespace velmaro::testing {

ModalCloser::ModalCloser(std::function<void(QWidget*)> handle) : handle_(std::move(handle)) {
    timer_.setInterval(5);
    connect(&timer_, &QTimer::timeout, this, &ModalCloser::Poll);
    timer_.start();
}

void ModalCloser::Poll() {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr || !modal->isVisible()) return;
    timer_.stop();
    handled_ = true;
    handle_(modal);
}

}  // namespace velmaro::testing
