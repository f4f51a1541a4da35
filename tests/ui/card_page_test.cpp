// A card page tells whether the card lies wholly on it: a career of many rows runs past the
// bottom edge of the printable area, a long exam name past its right edge, where the page cuts
// the card off.

#include <gtest/gtest.h>

#include <QPageLayout>
#include <QPageSize>
#include <QPainter>

#include <cmath>

#include "tests/support/ink.h"
#include "tests/ui/sample_card.h"
#include "ui/card_page.h"
#include "ui/print_job.h"
#include "ui/qt_text_metrics.h"

namespace velmaro {
namespace {

constexpr int kDotsPerInch = 72;

// The card drawn on a page image, what the drawing told, and whether ink touches the last pixel
// row, or column, of the printable area (something drawn there goes on past the edge), or the
// last three columns (a text that ends past the edge has ink there, whatever its last letter).
struct DrawnPage {
    PageFit fit;
    bool inkOnTheBottomEdge;
    bool inkOnTheRightEdge;
    bool inkNearTheRightEdge;
};
DrawnPage DrawOnPage(const CardInput& card) {
    QImage page = NewCardPageImage(kDotsPerInch);
    PageFit fit;
    {
        QPainter painter(&page);
        fit = DrawCardPage(painter, card);
    }
    const QRectF inches = CardPageLayout().paintRect(QPageLayout::Inch);
    const int edge = static_cast<int>(std::floor(inches.bottom() * kDotsPerInch)) - 1;
    const QRect lastRow(static_cast<int>(inches.left() * kDotsPerInch), edge,
                        static_cast<int>(inches.width() * kDotsPerInch), 1);
    const int right = static_cast<int>(std::floor(inches.right() * kDotsPerInch));
    const auto lastColumns = [&](int columns) {
        return QRect(right - columns, static_cast<int>(inches.top() * kDotsPerInch), columns,
                     static_cast<int>(inches.height() * kDotsPerInch));
    };
    return {fit, InkOf(page, lastRow).pixels > 0, InkOf(page, lastColumns(1)).pixels > 0,
            InkOf(page, lastColumns(3)).pixels > 0};
}

TEST(CardPage, ACareerLongerThanThePageIsToldAsCutOffAsTheDrawingShowsIt) {
    SampleCard sample("5193");
    ASSERT_TRUE(sample.Loaded());
    const std::size_t own = sample.OwnExams();

    std::size_t firstCut = 0;
    for (std::size_t exams = own; exams <= 4 * own && firstCut == 0; ++exams) {
        SCOPED_TRACE(exams);
        sample.RepeatExams(exams);
        const DrawnPage drawn = DrawOnPage(sample.Input());
        // Measured without drawing as drawn; and nothing drawn past the edge goes untold.
        EXPECT_EQ(CardPageFit(sample.Input()), drawn.fit);
        if (drawn.inkOnTheBottomEdge) {
            EXPECT_TRUE(drawn.fit.pastBottom);
        }
        EXPECT_FALSE(drawn.fit.pastRight);
        if (drawn.fit.pastBottom) firstCut = exams;
    }
    // The sample's own card is whole; some forty more rows are not.
    EXPECT_GT(firstCut, own);
    ASSERT_NE(firstCut, 0u) << "no card of up to " << 4 * own << " exams was cut off";
    sample.RepeatExams(4 * own);
    EXPECT_EQ(CardPageFit(sample.Input()), PageFit{.pastBottom = true});
    EXPECT_TRUE(DrawOnPage(sample.Input()).inkOnTheBottomEdge);
}

// Exam names made longer a few letters at a time: the card is told cut off at the right edge
// once its names reach past it, as the drawing shows, and from then on; never at the bottom.
// Among many rows, only those the page shows count: names that reach past the right edge in
// rows below the bottom one leave the card cut off at the bottom alone.
TEST(CardPage, ANameWiderThanThePageIsToldAsCutOffAtTheRightEdge) {
    SampleCard sample("5193");
    ASSERT_TRUE(sample.Loaded());
    std::size_t firstCut = 0;
    for (std::size_t letters = 0; letters <= 120; letters += 3) {
        SCOPED_TRACE(letters);
        sample.AddToExamNames(std::string(letters, 'M'));
        const DrawnPage drawn = DrawOnPage(sample.Input());
        EXPECT_EQ(CardPageFit(sample.Input()), drawn.fit);
        EXPECT_FALSE(drawn.fit.pastBottom);
        if (drawn.inkOnTheRightEdge || firstCut != 0) {
            EXPECT_TRUE(drawn.fit.pastRight);
        }
        if (drawn.fit.pastRight) {
            EXPECT_TRUE(drawn.inkNearTheRightEdge);
        }
        if (drawn.fit.pastRight && firstCut == 0) firstCut = letters;
    }
    // The sample's own names fit; some sixty letters more do not.
    ASSERT_GT(firstCut, 0u) << "no name of up to 120 letters more was cut off";
    EXPECT_TRUE(DrawOnPage(sample.Input()).inkOnTheRightEdge);
    // Both edges at once.
    sample.RepeatExams(4 * sample.OwnExams());
    EXPECT_EQ(CardPageFit(sample.Input()), (PageFit{.pastBottom = true, .pastRight = true}));
    // A long name only in the last row, below the page's bottom.
    ASSERT_TRUE(sample.AddToTheLastExamsNameAlone(std::string(120, 'M')));
    const DrawnPage hidden = DrawOnPage(sample.Input());
    EXPECT_EQ(hidden.fit, PageFit{.pastBottom = true});
    EXPECT_FALSE(hidden.inkNearTheRightEdge);
}

// The printable area of paper with half-inch margins, as an image at dotsPerInch; taller by
// extra pixels, which a print job would not have, to see what it draws past the edge.
QImage PrintableArea(QPageSize::PageSizeId paper, int dotsPerInch, int extra = 0) {
    const QPageLayout layout(QPageSize(paper), QPageLayout::Portrait, QMarginsF(0.5, 0.5, 0.5, 0.5),
                             QPageLayout::Inch);
    QImage image(layout.paintRectPixels(dotsPerInch).size() + QSize(0, extra),
                 QImage::Format_RGB32);
    SetImageResolution(image, dotsPerInch, dotsPerInch);
    image.fill(Qt::white);
    return image;
}

// The lowest row of image that holds a dark pixel; -1 when none does.
int LowestInkRow(const QImage& image) {
    for (int y = image.height() - 1; y >= 0; --y) {
        const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if (qGray(row[x]) < 128) return y;
        }
    }
    return -1;
}

// A printer's page is measured as the print job draws on it, at the printer's resolution on
// its paper: a card told whole there has no ink past the area's edge, one told cut off reaches
// into its last row. Letter's area is shorter than A4's: some cards whole on A4 are cut off
// on Letter.
TEST(CardPage, APrintersOwnPaperAndResolutionAreMeasuredAsTheJobDrawsThem) {
    constexpr int kPrinterDotsPerInch = 200;
    SampleCard sample("5193");
    ASSERT_TRUE(sample.Loaded());
    const std::size_t own = sample.OwnExams();
    const double rowPixels =
        QtTextMetrics(CardPrinterFont(), PrintableArea(QPageSize::A4, kPrinterDotsPerInch))
            .Height() *
        kPrinterDotsPerInch / 1440.0;

    std::size_t firstCut[2] = {0, 0};
    const QPageSize::PageSizeId papers[2] = {QPageSize::A4, QPageSize::Letter};
    for (std::size_t exams = own; exams <= 4 * own && firstCut[0] == 0; ++exams) {
        sample.RepeatExams(exams);
        for (int paper = 0; paper < 2; ++paper) {
            SCOPED_TRACE(testing::Message() << exams << " exams on paper " << paper);
            const QImage area = PrintableArea(papers[paper], kPrinterDotsPerInch);
            const PageFit fit = CardPageFitOn(area, sample.Input());
            QImage tall =
                PrintableArea(papers[paper], kPrinterDotsPerInch, 3 * kPrinterDotsPerInch);
            ASSERT_TRUE(PaintCardJob(tall, "the tall page", sample.Input()).ok());
            const int lowestInk = LowestInkRow(tall);
            if (fit.Whole()) {
                EXPECT_LT(lowestInk, area.height());
            } else {
                EXPECT_GE(lowestInk, area.height() - rowPixels);
                if (firstCut[paper] == 0) firstCut[paper] = exams;
            }
        }
    }
    ASSERT_NE(firstCut[0], 0u);
    ASSERT_NE(firstCut[1], 0u);
    EXPECT_GT(firstCut[1], own);
    EXPECT_LT(firstCut[1], firstCut[0]);
}

}  // namespace
}  // namespace velmaro
