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
    if (!image_.isNull()) {
        size = size.expandedTo(image_.deviceIndependentSize().toSize());
        if (image_.deviceIndependentSize().toSize() == size && image_.devicePixelRatio() == ratio)
            return image_;
    }

    QImage grown(size * ratio, QImage::Format_ARGB32_Premultiplied);
    grown.setDevicePixelRatio(ratio);
    grown.setDotsPerMeterX(DotsPerMeter(widget.logicalDpiX()));
    grown.setDotsPerMeterY(DotsPerMeter(widget.logicalDpiY()));
    grown.fill(Qt::transparent);
    if (!image_.isNull()) {
        QPainter painter(&grown);
        painter.drawImage(QPointF(0, 0), image_);
    }
    image_ = std::move(grown);
    return image_;
}

void WindowCanvas::PaintOn(QPainter& painter) const {
    if (!image_.isNull()) painter.drawImage(QPointF(0, 0), image_);
}

}  // namespace velmaro
