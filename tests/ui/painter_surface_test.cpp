// The QPainter surface on an image: twips become pixels by the image's resolution, text
// hangs from its top-left corner, dots are filled and circles are not.

#include <gtest/gtest.h>

#include <QPainter>

#include <functional>
#include <string>

#include "tests/support/ink.h"
#include "ui/painter_surface.h"
#include "ui/qt_text_metrics.h"

namespace velmaro {
namespace {

// A white image at dpiX x dpiY dots per inch with what draw paints on it.
QImage Paint(const std::function<void(PainterSurface&)>& draw, int dpiX = 144, int dpiY = 144) {
    QImage image(800, 800, QImage::Format_RGB32);
    image.setDotsPerMeterX(qRound(dpiX / 0.0254));
    image.setDotsPerMeterY(qRound(dpiY / 0.0254));
    image.fill(Qt::white);
    QPainter painter(&image);
    PainterSurface surface(painter, CardPrinterFont(), SurfaceKind::kPrinter);
    draw(surface);
    return image;
}

bool IsInk(const QImage& image, int x, int y) { return qGray(image.pixel(x, y)) < 128; }

TEST(PainterSurface, SegmentsLandOnThePixelsTheirTwipsName) {
    const struct {
        int dpiX, dpiY;
        double x1, y1, x2, y2;  // twips
        QRect pixels;
    } cases[] = {
        // Finer down than across, as many printers are: each axis by its own resolution.
        {144, 288, 500, 700, 500, 2700, QRect(QPoint(50, 140), QPoint(50, 540))},
        {72, 72, 1440, 1440, 2880, 4320, QRect(QPoint(72, 72), QPoint(144, 216))},
    };
    for (const auto& c : cases) {
        const QRect ink =
            InkOf(Paint([&](PainterSurface& s) { s.Line(c.x1, c.y1, c.x2, c.y2); }, c.dpiX, c.dpiY))
                .bounds;
        SCOPED_TRACE(c.dpiY);
        // One pixel of slack for where a hairline's pixel centre falls.
        EXPECT_NEAR(ink.left(), c.pixels.left(), 1);
        EXPECT_NEAR(ink.right(), c.pixels.right(), 1);
        EXPECT_NEAR(ink.top(), c.pixels.top(), 1);
        EXPECT_NEAR(ink.bottom(), c.pixels.bottom(), 1);
    }
}

TEST(PainterSurface, TextHangsFromItsTopLeftCorner) {
    double ascentPixels = 0;
    const QRect ink = InkOf(Paint([&](PainterSurface& s) {
                          ascentPixels = s.Metrics().Ascent() / 10;
                          s.SetCurrentX(1000);
                          s.SetCurrentY(1000);
                          s.Print({PrintItem::Text("M")});
                      })).bounds;
    // "M" stands on the baseline, one ascent below the top edge, and nothing is above it.
    EXPECT_GE(ink.top(), 100);
    EXPECT_NEAR(ink.bottom() + 1, 100 + ascentPixels, 1.5);
    EXPECT_NEAR(ink.left(), 101, 2);
}

// A control character (a tab, an escape typed into a number) is drawn as the U+FFFD it was
// measured as, not up to a tab stop; a soft hyphen (byte 0xAD of the data) as the hyphen it is
// measured as, as a PDF draws it, not hidden behind a gap of its width.
TEST(PainterSurface, ControlCharactersTakeTheWidthTheyAreMeasuredBy) {
    const QtTextMetrics metrics = QtTextMetrics::AtResolution(CardPrinterFont(), 1440);
    const auto drawn = [](const std::string& text) {
        return Paint([&](PainterSurface& s) { s.Print({PrintItem::Text(text)}); });
    };
    for (const auto& [text, as] : {std::pair{"\tMM", "\uFFFDMM"},
                                   {"\x1bMM", "\uFFFDMM"},
                                   {"\xc2\x9bMM", "\uFFFDMM"},
                                   {"A\xc2\xad"
                                    "B",
                                    "A-B"}}) {
        EXPECT_EQ(metrics.Width(text), metrics.Width(as)) << testing::PrintToString(text);
        EXPECT_TRUE(drawn(text) == drawn(as)) << testing::PrintToString(text);
    }
}

TEST(PainterSurface, DotsAreFilledAndCirclesAreOutlines) {
    const QImage image = Paint([](PainterSurface& s) {
        s.SetFillStyle(0);
        s.Circle(2000, 2000, 300);
        s.SetFillStyle(1);
        s.Circle(6000, 2000, 300);
    });
    // Both 30 pixels in radius; the circle drawn after the dot is hollow.
    EXPECT_TRUE(IsInk(image, 200, 200) && IsInk(image, 180, 200));
    EXPECT_FALSE(IsInk(image, 600, 200) || IsInk(image, 580, 200));
    for (const QRect area : {QRect(150, 150, 100, 100), QRect(550, 150, 100, 100)}) {
        EXPECT_NEAR(InkOf(image, area).bounds.width(), 61, 2);
        EXPECT_NEAR(InkOf(image, area).bounds.height(), 61, 2);
    }
}

}  // namespace
}  // namespace velmaro
