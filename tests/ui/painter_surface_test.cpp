// The QPainter surface on an image: twips become pixels by the image's resolution, text
// hangs from its top-left corner, dots are filled and circles are not, and what it measures
// is what it paints.

#include <gtest/gtest.h>

#include <QPainter>

#include "tests/ui/ink.h"
#include "ui/painter_surface.h"
#include "ui/qt_text_metrics.h"

namespace velmaro {
namespace {

using testing::InkBounds;
using testing::IsInk;
using testing::WhiteImage;

struct SegmentCase {
    const char* name;
    int dpiX;
    int dpiY;
    double x1, y1, x2, y2;  // twips
    QRect pixels;           // where the segment must land
};

void PrintTo(const SegmentCase& c, std::ostream* out) { *out << c.name; }

class SegmentPlacement : public ::testing::TestWithParam<SegmentCase> {};

TEST_P(SegmentPlacement, LandsOnThePixelsItsTwipsName) {
    const SegmentCase& c = GetParam();
    QImage image = WhiteImage({800, 800}, c.dpiX, c.dpiY);
    {
        QPainter painter(&image);
        PainterSurface surface(painter, CardPrinterFont(), SurfaceKind::kPrinter);
        surface.Line(c.x1, c.y1, c.x2, c.y2);
    }
    const QRect ink = InkBounds(image);
    ASSERT_FALSE(ink.isNull());
    // One pixel of slack for where a hairline's pixel centre falls.
    EXPECT_NEAR(ink.left(), c.pixels.left(), 1);
    EXPECT_NEAR(ink.right(), c.pixels.right(), 1);
    EXPECT_NEAR(ink.top(), c.pixels.top(), 1);
    EXPECT_NEAR(ink.bottom(), c.pixels.bottom(), 1);
}

INSTANTIATE_TEST_SUITE_P(
    PainterSurface, SegmentPlacement,
    ::testing::Values(
        // 144 dpi: 10 twips to the pixel.
        SegmentCase{"horizontal_144", 144, 144, 1000, 2000, 3000, 2000,
                    QRect(QPoint(100, 200), QPoint(300, 200))},
        SegmentCase{"vertical_144", 144, 144, 500, 700, 500, 4700,
                    QRect(QPoint(50, 70), QPoint(50, 470))},
        // A device finer down than across (as many printers are): each axis by its own dpi.
        SegmentCase{"horizontal_144x288", 144, 288, 1000, 2000, 3000, 2000,
                    QRect(QPoint(100, 400), QPoint(300, 400))},
        SegmentCase{"vertical_144x288", 144, 288, 500, 700, 500, 2700,
                    QRect(QPoint(50, 140), QPoint(50, 540))},
        // 72 dpi: 20 twips to the pixel.
        SegmentCase{"diagonal_72", 72, 72, 1440, 1440, 2880, 4320,
                    QRect(QPoint(72, 72), QPoint(144, 216))}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PainterSurface, KeepsThePaintersTranslationAsTheOrigin) {
    // The card files move the origin to the printable area with the painter's translation.
    QImage image = WhiteImage({400, 400}, 144, 144);
    {
        QPainter painter(&image);
        painter.translate(40, 60);
        PainterSurface surface(painter, CardPrinterFont(), SurfaceKind::kPrinter);
        surface.Line(0, 0, 1000, 0);
    }
    const QRect ink = InkBounds(image);
    EXPECT_NEAR(ink.left(), 40, 1);
    EXPECT_NEAR(ink.right(), 140, 1);
    EXPECT_NEAR(ink.top(), 60, 1);
}

TEST(PainterSurface, TextHangsFromItsTopLeftCorner) {
    QImage image = WhiteImage({400, 300}, 144, 144);
    double ascentPixels = 0;
    {
        QPainter painter(&image);
        PainterSurface surface(painter, CardPrinterFont(), SurfaceKind::kPrinter);
        ascentPixels = surface.Metrics().Ascent() / 10;
        surface.SetCurrentX(1000);
        surface.SetCurrentY(1000);
        surface.Print({PrintItem::Text("M")});
    }
    const QRect ink = InkBounds(image);
    ASSERT_FALSE(ink.isNull());
    // "M" stands on the baseline, one ascent below the top edge, and nothing is above it.
    EXPECT_GE(ink.top(), 100);
    EXPECT_NEAR(ink.bottom() + 1, 100 + ascentPixels, 1.5);
    EXPECT_GE(ink.left(), 99);
    EXPECT_LE(ink.left(), 103);
}

TEST(PainterSurface, DotsAreFilledAndCirclesAreOutlines) {
    QImage image = WhiteImage({800, 400}, 144, 144);
    {
        QPainter painter(&image);
        PainterSurface surface(painter, CardPrinterFont(), SurfaceKind::kPrinter);
        surface.SetFillStyle(0);
        surface.Circle(2000, 2000, 300);
        surface.SetFillStyle(1);
        surface.Circle(6000, 2000, 300);
    }
    // The dot: black right through, 30 pixels in radius.
    EXPECT_LT(qGray(image.pixel(200, 200)), 16);
    EXPECT_TRUE(IsInk(image, 180, 200));
    const QRect dot = InkBounds(image, QRect(150, 150, 100, 100));
    EXPECT_NEAR(dot.width(), 61, 2);
    EXPECT_NEAR(dot.height(), 61, 2);
    // The circle drawn after it is hollow (the fill does not carry over) and just as large.
    EXPECT_FALSE(IsInk(image, 600, 200));
    EXPECT_FALSE(IsInk(image, 580, 200));
    const QRect ring = InkBounds(image, QRect(550, 150, 100, 100));
    EXPECT_NEAR(ring.width(), 61, 2);
    EXPECT_NEAR(ring.height(), 61, 2);
}

TEST(PainterSurface, PiecesPrintedSideBySideJoinLikeOneText) {
    // The surface measures in the font it paints with: a text printed in pieces must end
    // where the whole text ends, or every text placed after another would drift. The pieces
    // split kerning pairs ("AV", "To"): no pair may be drawn closer than measured.
    auto paint = [](std::initializer_list<PrintItem> items) {
        QImage image = WhiteImage({800, 200}, 144, 144);
        QPainter painter(&image);
        PainterSurface surface(painter, CardPrinterFont(), SurfaceKind::kPrinter);
        surface.SetCurrentX(500);
        surface.SetCurrentY(500);
        surface.Print(items);
        painter.end();
        return InkBounds(image);
    };
    const QRect whole = paint({PrintItem::Text("AVVALLO: Torino, Y. Tevere", false)});
    const QRect pieces = paint({PrintItem::Text("A"), PrintItem::Text("VVAL"),
                                PrintItem::Text("LO: T"), PrintItem::Text("orino, Y"),
                                PrintItem::Text(". T"), PrintItem::Text("evere", false)});
    EXPECT_NEAR(pieces.left(), whole.left(), 1);
    EXPECT_NEAR(pieces.right(), whole.right(), 1);
}

TEST(PainterSurface, MeasuresTheFontItWasGiven) {
    QImage image = WhiteImage({10, 10}, 144, 144);
    QPainter painter(&image);
    PainterSurface surface(painter, CardPrinterFont(), SurfaceKind::kWindow);
    const double tenPointM = surface.TextWidth("M");
    QFont eightPoints = CardPrinterFont();
    eightPoints.setPointSizeF(8);
    surface.SetFont(eightPoints);
    EXPECT_NEAR(surface.TextWidth("M") / tenPointM, 0.8, 0.05);
    EXPECT_NEAR(surface.TextHeight("M"), QtTextMetrics(eightPoints, image).Height(), 1e-9);
}

}  // namespace
}  // namespace velmaro
