#include "ui/painter_surface.h"

#include <QPen>
#include <QString>

namespace velmaro {

namespace {

// Width 0 is Qt's cosmetic hairline: one device pixel whatever the resolution.
QPen HairlinePen() {
    QPen pen(Qt::black);
    pen.setWidth(0);
    return pen;
}

}  // namespace

PainterSurface::PainterSurface(QPainter& painter, const QFont& font, SurfaceKind kind)
    : painter_(painter), kind_(kind), metrics_(WithoutKerning(font), *painter.device()) {
    painter_.setFont(metrics_.Font());
    painter_.setPen(HairlinePen());
    painter_.setBrush(Qt::NoBrush);
}

PainterSurface::PainterSurface(QPainter& painter, const QFont& font, SurfaceKind kind,
                               int dotsPerInch)
    : painter_(painter),
      kind_(kind),
      metrics_(QtTextMetrics::AtResolution(WithoutKerning(font), dotsPerInch)),
      measuredAt_(dotsPerInch) {
    SetFont(font);
    painter_.setPen(HairlinePen());
    painter_.setBrush(Qt::NoBrush);
}

void PainterSurface::SetFont(const QFont& font) {
    if (measuredAt_ == 0) {
        metrics_ = QtTextMetrics(WithoutKerning(font), *painter_.device());
        painter_.setFont(metrics_.Font());
        return;
    }
    metrics_ = QtTextMetrics::AtResolution(WithoutKerning(font), measuredAt_);
    // A size in points would be resolved for the device and then transformed: the font is
    // given in pixels of the resolution measured at instead.
    QFont drawn = metrics_.Font();
    if (drawn.pointSizeF() > 0) drawn.setPixelSize(qRound(drawn.pointSizeF() * measuredAt_ / 72.0));
    painter_.setFont(drawn);
}

QPointF PainterSurface::ToDevice(double x, double y) const {
    const TwipScale& scale = metrics_.Scale();
    return {scale.ToDeviceX(x), scale.ToDeviceY(y)};
}

void PainterSurface::DrawText(double x, double y, std::string_view text) {
    const QPointF baseline = ToDevice(x, y + metrics_.Ascent());
    painter_.drawText(baseline, TextAsDrawn(text));
}

void PainterSurface::DrawLine(double x1, double y1, double x2, double y2) {
    painter_.drawLine(ToDevice(x1, y1), ToDevice(x2, y2));
}

void PainterSurface::DrawCircle(double x, double y, double radius, bool filled) {
    const TwipScale& scale = metrics_.Scale();
    painter_.setBrush(filled ? QBrush(Qt::black) : QBrush(Qt::NoBrush));
    painter_.drawEllipse(ToDevice(x, y), scale.ToDeviceX(radius), scale.ToDeviceY(radius));
    painter_.setBrush(Qt::NoBrush);
}

}  // namespace velmaro
