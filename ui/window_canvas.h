#pragma once

#include <QImage>
#include <QSize>

class QPainter;
class QWidget;

namespace velmaro {

// What a window has drawn and keeps until it is cleared: a transparent image in the window's
// own resolution, painted again on every repaint, so covering and uncovering the window does
// not lose the card.
class WindowCanvas {
  public:
    // Makes the drawing cover at least size (in widget's logical pixels) and returns it, ready
    // for a QPainter. What was drawn stays; the image carries widget's logical resolution and
    // pixel ratio, so fonts and twips measure on it as on the widget.
    QImage& Prepare(const QWidget& widget, QSize size);

    // Erases everything drawn. The image's memory is kept for the next card: allocating a
    // window-sized image anew costs more than the whole card.
    void Clear();

    // True when nothing has been prepared for drawing since the last Clear.
    bool IsEmpty() const { return empty_; }

    // Paints the drawing with its top-left corner at the painter's origin.
    void PaintOn(QPainter& painter) const;

  private:
    QImage image_;
    bool empty_ = true;
};

}  // namespace velmaro
