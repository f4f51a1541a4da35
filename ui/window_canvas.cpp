#include "ui/window_canvas.h"

#include <QPainter>
#include <QWidget>

#include <utility>

#include "ui/qt_text_metrics.h"

namespace velmaro {

QImage& WindowCanvas::Prepare(const QWidget& widget, QSize size) {
    const qreal ratio = widget.devicePixelRatioF();
    const bool sameResolution = !image_.isNull() && image_.devicePixelRatio() == ratio &&
                                image_.logicalDpiX() == widget.logicalDpiX() &&
                                image_.logicalDpiY() == widget.logicalDpiY();
    if (sameResolution) {
        size = size.expandedTo(image_.deviceIndependentSize().toSize());
        if (image_.deviceIndependentSize().toSize() == size) {
            empty_ = false;
            return image_;
        }
    }

    QImage grown(size * ratio, QImage::Format_ARGB32_Premultiplied);
    grown.setDevicePixelRatio(ratio);
    SetImageResolution(grown, widget.logicalDpiX(), widget.logicalDpiY());
    grown.fill(Qt::transparent);
    if (!empty_) {
        QPainter painter(&grown);
        painter.drawImage(QPointF(0, 0), image_);
    }
    image_ = std::move(grown);
    empty_ = false;
    return image_;
}

void WindowCanvas::Clear() {
    if (empty_) return;
    image_.fill(Qt::transparent);
    empty_ = true;
}

void WindowCanvas::PaintOn(QPainter& painter) const {
    if (!empty_) painter.drawImage(QPointF(0, 0), image_);
}

}  // namespace velmaro
