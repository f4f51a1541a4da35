// The card's font: "Arial" must come out as a face with Arial's metrics, measured in twips,
// and a recording measured with it differs from the fixed-metrics one only in where things
// go.

#include <gtest/gtest.h>

#include <QFontInfo>

#include <sstream>

#include "lookup/lookup_student.h"
#include "render/recording_surface.h"
#include "render/render_card.h"
#include "store/data_store.h"
#include "tests/support/ops_compare.h"
#include "ui/qt_text_metrics.h"

namespace velmaro {
namespace {

// Arial's advance widths and vertical extent in font units (2048 to the em), which
// Liberation Sans shares: at 10 points and 1440 dpi the em is 200 twips.
constexpr double kTwipsPerUnit = 200.0 / 2048.0;

TEST(CardFont, ArialIsServedByAFaceWithArialsMetrics) {
    const QFont font = CardPrinterFont();
    EXPECT_EQ(font.family(), "Arial");
    EXPECT_DOUBLE_EQ(font.pointSizeF(), 10);
    EXPECT_EQ(QFontInfo(font).family(), "Liberation Sans");
}

TEST(CardFont, MeasuresArialsWidthsAndHeightInTwips) {
    const QtTextMetrics metrics = QtTextMetrics::AtResolution(CardPrinterFont(), 1440);
    EXPECT_NEAR(metrics.Width("M"), 1706 * kTwipsPerUnit, 0.2);
    // Two blanks, four digits and a blank: the chart's year column.
    EXPECT_NEAR(metrics.Width("  1999 "), (3 * 569 + 4 * 1139) * kTwipsPerUnit, 0.5);
    EXPECT_NEAR(metrics.Height(), (1854 + 434) * kTwipsPerUnit, 1);
    EXPECT_NEAR(metrics.Ascent(), 1854 * kTwipsPerUnit, 1);
    EXPECT_DOUBLE_EQ(metrics.Width(""), 0);
}

TEST(CardFont, PrintColumnsAreArialsAverageCharacterWidth) {
    // Arial states 904 units; Liberation Sans' own header says about 1190, which would put
    // the grade column (column 80) a third further right than on the printed card.
    const QtTextMetrics metrics = QtTextMetrics::AtResolution(CardPrinterFont(), 1440);
    EXPECT_NEAR(metrics.ColumnWidth(), 904 * kTwipsPerUnit, 0.1);
}

TEST(CardFont, TextIsAsWideAsItsCharacters) {
    // No kerning: "AV" and "To" keep their letters' full advances.
    const QtTextMetrics metrics = QtTextMetrics::AtResolution(CardPrinterFont(), 1440);
    EXPECT_FALSE(metrics.Font().kerning());
    EXPECT_NEAR(metrics.Width("AV To"),
                metrics.Width("A") + metrics.Width("V") + metrics.Width(" ") + metrics.Width("T") +
                    metrics.Width("o"),
                1e-9);
    EXPECT_NEAR(metrics.Width("AV"), (1366 + 1366) * kTwipsPerUnit, 0.2);
    // A font that kerns is measured as it draws: the pair comes closer.
    QFont kerned = CardPrinterFont();
    kerned.setKerning(true);
    const QtTextMetrics kerning = QtTextMetrics::AtResolution(kerned, 1440);
    EXPECT_LT(kerning.Width("AV"), kerning.Width("A") + kerning.Width("V") - 5);
}

TEST(CardFont, TextIsReadAsUtf8) {
    const QtTextMetrics metrics = QtTextMetrics::AtResolution(CardPrinterFont(), 1440);
    // "à" is one letter as wide as "a", not two Latin-1 characters.
    EXPECT_NEAR(metrics.Width("\xC3\xA0"), metrics.Width("a"), 0.01);
    EXPECT_NEAR(metrics.Width("Citt\xC3\xA0"), metrics.Width("Citta"), 0.01);
}

TEST(CardFont, TwipsHardlyDependOnTheResolution) {
    // Pixel sizes are whole numbers, so coarse devices round the em a little; the figures in
    // twips still agree within that rounding (half a pixel of the em at 96 dpi is 4%).
    const QtTextMetrics fine = QtTextMetrics::AtResolution(CardPrinterFont(), 1440);
    for (const int dpi : {96, 150, 300, 600}) {
        const QtTextMetrics coarse = QtTextMetrics::AtResolution(CardPrinterFont(), dpi);
        const double tolerance = 0.5 * 72.0 / (10.0 * dpi) + 0.005;
        SCOPED_TRACE(dpi);
        EXPECT_NEAR(coarse.Width("Storia Contemporanea") / fine.Width("Storia Contemporanea"), 1,
                    tolerance);
        EXPECT_NEAR(coarse.Height() / fine.Height(), 1, tolerance + 0.01);
        EXPECT_NEAR(coarse.ColumnWidth() / fine.ColumnWidth(), 1, tolerance);
    }
}

// The recordings of the same cards measured two ways.
std::vector<testing::OpsCard> RecordCards(const TextMetrics& metrics) {
    const std::string examples = VELMARO_EXAMPLES_DIR;
    auto store = DataStore::LoadTables(DataDirOf(examples + "/data"));
    EXPECT_TRUE(store.ok()) << store.error().Message();
    if (!store) return {};
    std::ostringstream recording;
    for (const char* typed : {"268", "460", "00119", "843"}) {
        recording << "card " << JsonString(typed) << '\n';
        const auto outcome = LookupStudent(*store, typed);
        EXPECT_TRUE(outcome.ok() && outcome->student) << typed;
        if (!outcome.ok() || !outcome->student) continue;
        RecordingSurface surface(recording, metrics);
        RenderCard(surface, {*outcome->student, store->Titles(), store->Exams(),
                             std::chrono::year{2025} / 10 / 20, "."});
    }
    return testing::SplitOpsCards(recording.str());
}

// A recording line with every number replaced by "#".
std::string WithoutNumbers(const std::string& line) {
    std::istringstream words(line);
    std::string word, result;
    while (words >> word) {
        if (word.front() == '"') {
            std::string rest;
            std::getline(words, rest);
            result += word + rest;
            break;
        }
        const bool number = word.find_first_not_of("0123456789.-e+") == std::string::npos;
        result += (number ? std::string("#") : word) + ' ';
    }
    return result;
}

TEST(CardFont, FontRecordingDiffersFromFixedOnlyInCoordinates) {
    const FixedMetrics fixed;
    const QtTextMetrics font = QtTextMetrics::AtResolution(CardPrinterFont(), 1440);
    const auto fixedCards = RecordCards(fixed);
    const auto fontCards = RecordCards(font);
    ASSERT_EQ(fontCards.size(), fixedCards.size());
    for (std::size_t c = 0; c < fixedCards.size(); ++c) {
        SCOPED_TRACE(fixedCards[c].header);
        ASSERT_EQ(fontCards[c].lines.size(), fixedCards[c].lines.size());
        std::size_t moved = 0;
        for (std::size_t i = 0; i < fixedCards[c].lines.size(); ++i) {
            const std::string& a = fixedCards[c].lines[i];
            const std::string& b = fontCards[c].lines[i];
            EXPECT_EQ(WithoutNumbers(b), WithoutNumbers(a)) << "line " << i;
            if (a != b) ++moved;
        }
        EXPECT_GT(moved, fixedCards[c].lines.size() / 2);
    }
}

}  // namespace
}  // namespace velmaro
