#pragma once

#include <QFont>
#include <QPainter>

#include <string_view>

#include "render/draw_surface.h"
#include "ui/qt_text_metrics.h"

namespace velmaro {

// A DrawSurface that paints with a QPainter on whatever device the painter is open on: an
// image, a PDF page, an SVG drawing, a printer page or a widget. Twips are mapped to device
// units by the device's resolution (units = twips * dpi / 1440) on top of the painter's own
// transformation, which the caller may use to move the origin (a page margin, say).
//
// Text is drawn with its top-left corner at the given point, so its baseline lies one
// ascent lower. Lines, circle outlines and dots are black with a cosmetic hairline pen
// (width 0: the thinnest line the device draws, one pixel on an image); dots are filled solid.
// Measurements come from the same font resolved for the same device, so they agree with
// what is painted; the font is set without kerning (WithoutKerning).
class PainterSurface : public DrawSurface {
  public:
    // Paints with painter (open, not owned; it must outlive the surface) in font. Sets the
    // painter's font, pen and brush; leaves its render hints and transformation alone.
    PainterSurface(QPainter& painter, const QFont& font, SurfaceKind kind);
    // The same, measured and placed as on a device of dotsPerInch instead of the painter's
    // own: the painter's transformation must take that resolution to the device's. The card
    // is then the same on every device, where a font resolved for a coarse one (an image)
    // is rounded to whole pixels and the whole card with it.
    PainterSurface(QPainter& painter, const QFont& font, SurfaceKind kind, int dotsPerInch);

    SurfaceKind Kind() const override { return kind_; }
    double TextWidth(std::string_view text) const override { return metrics_.Width(text); }
    double TextHeight(std::string_view) const override { return metrics_.Height(); }
    double ColumnWidth() const override { return metrics_.ColumnWidth(); }

    // Changes the font of later Print calls and of every measurement (a window sets its own
    // font when it prepares a card); a surface measured at a resolution of its own keeps it.
    void SetFont(const QFont& font);
    // Draws later lines and circle outlines width wide, in the painter's units; 0 (the start)
    // draws them as hairlines of one device pixel.
    void SetLineWidth(double width);

    const QtTextMetrics& Metrics() const { return metrics_; }

  protected:
    void DrawText(double x, double y, std::string_view text) override;
    void DrawLine(double x1, double y1, double x2, double y2) override;
    void DrawCircle(double x, double y, double radius, bool filled) override;

    QPointF ToDevice(double x, double y) const;

  private:
    // font measured on the device, or at the resolution the surface measures at.
    QtTextMetrics MetricsOf(const QFont& font) const;
    // Sets the painter's font to the one metrics_ measures.
    void UseMeasuredFont();

    QPainter& painter_;
    SurfaceKind kind_;
    // Declared before metrics_, which MetricsOf initializes from it.
    int measuredAt_ = 0;  // the resolution measured at; 0: the device's own
    QtTextMetrics metrics_;
};

}  // namespace velmaro
