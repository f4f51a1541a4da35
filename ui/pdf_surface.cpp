#include "ui/pdf_surface.h"

#include <algorithm>

#include <QString>

namespace velmaro {

namespace {

constexpr double kTwipsPerPoint = 20;
// The distance of a cubic Bézier's control points from a quarter circle's ends, per radius.
constexpr double kQuarterCircleControl = 0.5522847498;

}  // namespace

PdfSurface::PdfSurface(const QtTextMetrics& metrics, PdfFont& font, std::string_view fontResource,
                       std::string& content)
    : metrics_(metrics), font_(font), fontResource_(fontResource), content_(content) {}

std::string PdfSurface::PageSetup(double pageHeightPoints, double clipLeft, double clipTop,
                                  double clipWidth, double clipHeight) {
    std::string setup = "0.05 0 0 -0.05 0 ";
    AppendPdfNumber(setup, pageHeightPoints);
    setup.append(" cm\n");
    for (const double number : {clipLeft, clipTop, clipWidth, clipHeight}) {
        AppendPdfNumber(setup, number);
        setup.push_back(' ');
    }
    setup.append("re W n\n1 0 0 1 ");
    AppendPdfNumber(setup, clipLeft);
    setup.push_back(' ');
    AppendPdfNumber(setup, clipTop);
    // Width 0: the thinnest line the device can draw.
    setup.append(" cm\n0 w 2 J 2 j 0 g 0 G\n");
    static_assert(kTwipsPerPoint == 20, "the scale above is one point per 20 twips");
    return setup;
}

void PdfSurface::Point(double x, double y) {
    AppendPdfNumber(content_, x);
    content_.push_back(' ');
    AppendPdfNumber(content_, y);
    content_.push_back(' ');
}

void PdfSurface::DrawText(double x, double y, std::string_view text) {
    const double fontSize = metrics_.Font().pointSizeF() * kTwipsPerPoint;
    // The font is part of the graphics state, which lasts from one text to the next: it is set
    // only when it changes. The text matrix turns the glyphs upright again in the y-downwards
    // space.
    content_.append("BT ");
    if (fontSize != fontSizeSet_) {
        content_.push_back('/');
        content_.append(fontResource_);
        content_.push_back(' ');
        AppendPdfNumber(content_, fontSize);
        content_.append(" Tf ");
        fontSizeSet_ = fontSize;
    }
    content_.append("1 0 0 -1 ");
    Point(x, y + metrics_.Ascent());
    content_.append("Tm ");
    // A control character is drawn as the U+FFFD it is measured as.
    const bool mayHoldControls = std::any_of(text.begin(), text.end(), [](char byte) {
        const auto code = static_cast<unsigned char>(byte);
        return code < 0x20 || code == 0x7F || code == 0xC2 || code == 0xEF;
    });
    const std::string drawn = mayHoldControls ? TextAsDrawn(text).toStdString() : std::string();
    font_.AppendShowText(
        mayHoldControls ? std::string_view(drawn) : text,
        [&](char32_t character) {
            const QString one = QString::fromUcs4(&character, 1);
            return metrics_.Width(one.toStdString()) / fontSize * 1000;
        },
        content_);
    content_.append(" ET\n");
}

void PdfSurface::DrawLine(double x1, double y1, double x2, double y2) {
    Point(x1, y1);
    content_.append("m ");
    Point(x2, y2);
    content_.append("l S\n");
}

void PdfSurface::DrawCircle(double x, double y, double radius, bool filled) {
    const double c = radius * kQuarterCircleControl;
    Point(x + radius, y);
    content_.append("m ");
    // Four quarters, each a curve to the next point of the compass.
    const double quarters[4][6] = {
        {x + radius, y + c, x + c, y + radius, x, y + radius},
        {x - c, y + radius, x - radius, y + c, x - radius, y},
        {x - radius, y - c, x - c, y - radius, x, y - radius},
        {x + c, y - radius, x + radius, y - c, x + radius, y},
    };
    for (const auto& quarter : quarters) {
        for (int i = 0; i < 6; i += 2)
            Point(quarter[i], quarter[i + 1]);
        content_.append("c ");
    }
    content_.append(filled ? "h B\n" : "h S\n");
}

}  // namespace velmaro
