#include "ui/window_canvas.h"

#include <QPainter>
#include <QWidget>

#include <cmath>
#include <utility>

namespace velmaro {

namespace {

int DotsPerMeter(int dotsPerInch) { return static_cast<int>(std::lround(dotsPerInch / 0.0254)); }

}  // namespace

QImage& WindowCanvas::Prepare(const QWidget& widget, QSize size) {
    const qreal ratio = widget.devicePixelRatioF();
    const int dotsPerMeterX = DotsPerMeter(widget.logicalDpiX());
    const int dotsPerMeterY = DotsPerMeter(widget.logicalDpiY());
    const bool sameResolution = !image_.isNull() && image_.devicePixelRatio() == ratio &&
                                image_.dotsPerMeterX() == dotsPerMeterX &&
                                image_.dotsPerMeterY() == dotsPerMeterY;
    if (sameResolution) {
        size = size.expandedTo(image_.deviceIndependentSize().toSize());
        if (image_.deviceIndependentSize().toSize() == size) {
            empty_ = false;
            return image_;
        }
    }

    QImage grown(size * ratio, QImage::Format_ARGB32_Premultiplied);
    grown.setDevicePixelRatio(ratio);
    grown.setDotsPerMeterX(dotsPerMeterX);
    grown.setDotsPerMeterY(dotsPerMeterY);
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
