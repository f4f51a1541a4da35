#include "ui/painter_surface.h"

#include <QPen>
#include <QString>

#include <algorithm>

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
    : PainterSurface(painter, font, kind, 0) {}

PainterSurface::PainterSurface(QPainter& painter, const QFont& font, SurfaceKind kind,
                               int dotsPerInch)
    : painter_(painter), kind_(kind), measuredAt_(dotsPerInch), metrics_(MetricsOf(font)) {
    UseMeasuredFont();
    painter_.setPen(HairlinePen());
    painter_.setBrush(Qt::NoBrush);
}

void PainterSurface::SetFont(const QFont& font) {
    metrics_ = MetricsOf(font);
    UseMeasuredFont();
}

void PainterSurface::SetLineWidth(double width) {
    QPen pen = HairlinePen();
    pen.setWidthF(width);
    painter_.setPen(pen);
}

QtTextMetrics PainterSurface::MetricsOf(const QFont& font) const {
    return measuredAt_ == 0 ? QtTextMetrics(WithoutKerning(font), *painter_.device())
                            : QtTextMetrics::AtResolution(WithoutKerning(font), measuredAt_);
}

void PainterSurface::UseMeasuredFont() {
    QFont drawn = metrics_.Font();
    // A size in points would be resolved for the device and then transformed: the font is
    // given in pixels of the resolution measured at instead.
    if (measuredAt_ != 0 && drawn.pointSizeF() > 0) {
        drawn.setPixelSize(qRound(drawn.pointSizeF() * measuredAt_ / 72.0));
    }
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
