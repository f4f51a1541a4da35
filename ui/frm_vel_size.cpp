// How the window sizes itself: as its card asks, within the screen, and around the maximized and
// full-screen states that the user and the window manager set.

#include "ui/frm_vel.h"

#include <QEvent>
#include <QMoveEvent>
#include <QResizeEvent>
#include <QScreen>
#include <QScrollArea>
#include <QShowEvent>
#include <QTimer>
#include <QWindow>

#include <algorithm>

namespace velmaro {

void FrmVel::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    const int top = CardAreaTop();
    cardArea_->setGeometry(0, top, width(), std::max(0, height() - top));
    UpdateSidewaysScrolling();
    // A size this window asked for may land after a frame that leaves no room for it; a size
    // the user gives is left alone.
    if (event->size() == askedSize_) FitWithinScreen();
}

void FrmVel::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange || FillsTheScreen()) return;
    if (!heightAfterRestore_) return;
    // The window manager gives the frame and the window's old size back after the state has
    // changed, and may pass through the normal state between full screen and maximized: the
    // size asked is given a moment later, if the window is still restored then.
    restoreWaits_ = kRestoreWaits;
    restoreTimer_->start(kRestoreWait);
}

void FrmVel::moveEvent(QMoveEvent* event) {
    QWidget::moveEvent(event);
    // A window manager frames a window once it shows, after its size was set: the frame may
    // leave a size this window asked for too large for the screen. A move by the user (a drag,
    // a resize by the left edge) keeps the frame, and the size the user chose. A window
    // restored from maximized gets its frame back while it still has the screen's size, which
    // the window manager then puts back as it was: that size is not this window's to fit.
    const QSize frame = frameGeometry().size() - size();
    if (frame == knownFrame_) return;
    knownFrame_ = frame;
    if (size() == askedSize_) FitWithinScreen();
}

void FrmVel::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (QWindow* window = windowHandle(); window != nullptr && !followsScreen_) {
        followsScreen_ = true;
        connect(window, &QWindow::screenChanged, this, [this] { FitWithinScreen(); });
    }
}

void FrmVel::FitWithinScreen() {
    const QSize room = ScreenRoom();
    if (width() > room.width() || height() > room.height()) {
        ResizeWithinScreen(width(), height());
    }
}

void FrmVel::SetWindowWidth(double twips) { ResizeWithinScreen(PixelsX(twips), height()); }

void FrmVel::SetWindowHeight(double twips) {
    // A window the user maximized, or put full screen, keeps that size; the card shown or
    // cleared meanwhile sizes it once it is restored.
    if (FillsTheScreen()) {
        heightAfterRestore_ = PixelsY(twips);
        return;
    }
    ForgetSizeAskedWhileFillingTheScreen();
    ResizeWithinScreen(width(), PixelsY(twips));
}

void FrmVel::ForgetSizeAskedWhileFillingTheScreen() {
    heightAfterRestore_.reset();
    restoreTimer_->stop();
}

bool FrmVel::FillsTheScreen() const {
    return (windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen)) != 0;
}

void FrmVel::ResizeAsAskedWhileFillingTheScreen() {
    // Maximized or full screen again: the size asked waits for the next restore.
    if (FillsTheScreen() || !heightAfterRestore_) return;
    // Still the screen's size, too large for the frame the window has back: the window manager
    // has not yet put the window's own size back, whose width (the user's) the window keeps.
    const QSize room = ScreenRoom();
    if ((width() > room.width() || height() > room.height()) && --restoreWaits_ > 0) {
        restoreTimer_->start(kRestoreWait);
        return;
    }
    const int heightPixels = *heightAfterRestore_;
    ForgetSizeAskedWhileFillingTheScreen();
    ResizeWithinScreen(width(), heightPixels);
}

void FrmVel::ResizeWithinScreen(int widthPixels, int heightPixels) {
    const QSize room = ScreenRoom();
    // The window never hides its row of controls, unless the screen is too small for it.
    setMinimumSize(std::min(PixelsX(DesignedWidth()), room.width()),
                   std::min(PixelsY(barHeight_), room.height()));
    if (FillsTheScreen()) return;
    askedSize_ = QSize(std::min(widthPixels, room.width()), std::min(heightPixels, room.height()));
    resize(askedSize_);
}

QSize FrmVel::ScreenRoom() const {
    const QScreen* shownOn = screen();
    if (shownOn == nullptr) return {QWIDGETSIZE_MAX, QWIDGETSIZE_MAX};
    // The frame, once a window manager has given one, takes its share.
    const QSize frame = frameGeometry().size() - geometry().size();
    return shownOn->availableGeometry().size() - frame;
}

}  // namespace velmaro
