#pragma once

#include <string>
#include <string_view>

#include "render/draw_surface.h"
#include "ui/pdf_font.h"
#include "ui/qt_text_metrics.h"

namespace velmaro {

// A DrawSurface that writes a PDF page's content: text in an embedded font, hairlines and
// circles, black. It draws what PainterSurface draws on a PDF page: the same measurements
// (metrics for a device of twips, 1440 dots per inch), text with its top-left corner at the
// point given, hairlines of the thinnest width the device draws, filled dots outlined too.
//
// The content's unit is the twip with y downwards; the page's content stream must begin with
// PageSetup so that these coordinates land where they belong.
class PdfSurface : public DrawSurface {
  public:
    // Draws into content (appended to) with font, measuring with metrics; both must outlive
    // the surface. fontResource is the name of font in the page's resources ("F1"). Each
    // content stream takes a surface of its own: the font is set once per surface.
    PdfSurface(const QtTextMetrics& metrics, PdfFont& font, std::string_view fontResource,
               std::string& content);

    SurfaceKind Kind() const override { return SurfaceKind::kPrinter; }
    double TextWidth(std::string_view text) const override { return metrics_.Width(text); }
    double TextHeight(std::string_view) const override { return metrics_.Height(); }
    double ColumnWidth() const override { return metrics_.ColumnWidth(); }

    // The start of a page's content for a page pageHeight points high: twips with y downwards
    // from the corner of the area clip (in twips from the page's top-left corner), outside
    // which nothing shows.
    static std::string PageSetup(double pageHeightPoints, double clipLeft, double clipTop,
                                 double clipWidth, double clipHeight);

  protected:
    void DrawText(double x, double y, std::string_view text) override;
    void DrawLine(double x1, double y1, double x2, double y2) override;
    void DrawCircle(double x, double y, double radius, bool filled) override;

  private:
    void Point(double x, double y);

    const QtTextMetrics& metrics_;
    PdfFont& font_;
    std::string fontResource_;
    std::string& content_;
    double fontSizeSet_ = -1;  // the size the content last set the font at; none yet
};

}  // namespace velmaro
