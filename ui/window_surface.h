#pragma once

#include <QFont>
#include <QPainter>

#include "ui/painter_surface.h"

namespace velmaro {

// A window that cards are drawn on: it prepares itself at the start of every card.
class CardWindow {
  public:
    virtual ~CardWindow() = default;

    // Makes the window ready for a new card drawn through drawing (its expanded size, its
    // font, the rule under the controls, the print position where the card begins).
    virtual void LargeVel(PainterSurface& drawing) = 0;
};

// The window as a DrawSurface: a window-kind surface painting with painter (open on what the
// window keeps drawn) in the window's font. The card frame's LargeVel is the window's own.
class WindowSurface final : public PainterSurface {
  public:
    // painter and window must outlive the surface.
    WindowSurface(QPainter& painter, const QFont& font, CardWindow& window)
        : PainterSurface(painter, font, SurfaceKind::kWindow), window_(window) {}

    void LargeVel() override { window_.LargeVel(*this); }

  private:
    CardWindow& window_;
};

}  // namespace velmaro
