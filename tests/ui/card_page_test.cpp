// A card page tells whether the card lies wholly on it: a career of many rows runs past the
// bottom edge of the printable area, where the page cuts it off.

#include <gtest/gtest.h>

#include <QPainter>

#include <cmath>

#include "lookup/lookup_student.h"
#include "store/data_store.h"
#include "tests/support/ink.h"
#include "ui/card_page.h"

namespace velmaro {
namespace {

constexpr auto kToday = std::chrono::year{2025} / 10 / 20;
constexpr int kDotsPerInch = 72;

// The card of 5193 of the sample, with its exams repeated until it has exams of them: the rows
// of each session stack up, and the more there are, the lower the last ones lie.
Student WithExams(const Student& student, std::size_t exams) {
    Student longer = student;
    longer.ExamRecs.clear();
    for (std::size_t i = 0; i < exams; ++i)
        longer.ExamRecs.push_back(student.ExamRecs[i % student.ExamRecs.size()]);
    return longer;
}

// The card drawn on a page image, what the drawing told, and whether ink touches the last pixel
// row of the printable area: something drawn there goes on past the edge.
struct DrawnPage {
    PageFit fit;
    bool inkOnTheBottomEdge;
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
    return {fit, InkOf(page, lastRow).pixels > 0};
}

TEST(CardPage, ACareerLongerThanThePageIsToldAsCutOffAsTheDrawingShowsIt) {
    const auto store = DataStore::LoadTables(DataDirOf(VELMARO_SAMPLE_DIR));
    ASSERT_TRUE(store.ok()) << store.error().Message();
    const auto found = LookupStudent(*store, "5193");
    ASSERT_TRUE(found.ok() && found->student);
    const std::size_t own = found->student->ExamRecs.size();

    std::size_t firstCut = 0;
    for (std::size_t exams = own; exams <= 4 * own && firstCut == 0; ++exams) {
        SCOPED_TRACE(exams);
        const Student student = WithExams(*found->student, exams);
        const CardInput card{student, store->Titles(), store->Exams(), kToday, ","};
        const DrawnPage drawn = DrawOnPage(card);
        // Measured without drawing as drawn; and nothing drawn past the edge goes untold.
        EXPECT_EQ(CardPageFit(card), drawn.fit);
        if (drawn.inkOnTheBottomEdge) {
            EXPECT_EQ(drawn.fit, PageFit::kCutOff);
        }
        if (drawn.fit == PageFit::kCutOff) firstCut = exams;
    }
    // The sample's own card is whole; some forty more rows are not.
    EXPECT_GT(firstCut, own);
    ASSERT_NE(firstCut, 0u) << "no card of up to " << 4 * own << " exams was cut off";
    const Student longest = WithExams(*found->student, 4 * own);
    const CardInput card{longest, store->Titles(), store->Exams(), kToday, ","};
    EXPECT_EQ(CardPageFit(card), PageFit::kCutOff);
    EXPECT_TRUE(DrawOnPage(card).inkOnTheBottomEdge);
}

}  // namespace
}  // namespace velmaro
