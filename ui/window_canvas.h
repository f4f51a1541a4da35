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

    // Erases everything drawn.
    void Clear() { image_ = QImage(); }

    // True when nothing has been drawn since the last Clear.
    bool IsEmpty() const { return image_.isNull(); }

    // Paints the drawing with its top-left corner at the painter's origin.
    void PaintOn(QPainter& painter) const;

  private:
    QImage image_;
};

}  // namespace velmaro
