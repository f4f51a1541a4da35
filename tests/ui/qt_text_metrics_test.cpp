// The card's font: "Arial" must come out as a face with Arial's metrics, measured in twips.

#include <gtest/gtest.h>

#include <QFontInfo>

#include "ui/qt_text_metrics.h"

namespace velmaro {
namespace {

TEST(CardFont, ArialIsServedByAFaceWithArialsMetrics) {
    EXPECT_EQ(QFontInfo(CardPrinterFont()).family(), "Liberation Sans");
    // Arial's font units (2048 to the em) in twips: at 10 points the em is 200 twips.
    constexpr double kTwipsPerUnit = 200.0 / 2048.0;
    const QtTextMetrics metrics = QtTextMetrics::AtResolution(CardPrinterFont(), 1440);
    EXPECT_NEAR(metrics.Width("M"), 1706 * kTwipsPerUnit, 0.2);
    EXPECT_NEAR(metrics.Width("  1999 "), (3 * 569 + 4 * 1139) * kTwipsPerUnit, 0.5);
    EXPECT_NEAR(metrics.Width("AV"), 2 * 1366 * kTwipsPerUnit, 0.2);  // not kerned
    EXPECT_NEAR(metrics.Height(), (1854 + 434) * kTwipsPerUnit, 1);
    EXPECT_NEAR(metrics.Ascent(), 1854 * kTwipsPerUnit, 1);
    // Arial's average character width, not Liberation Sans' own (a third wider).
    EXPECT_NEAR(metrics.ColumnWidth(), 904 * kTwipsPerUnit, 0.1);
    // UTF-8: "à" is one letter as wide as "a", not two Latin-1 characters.
    EXPECT_NEAR(metrics.Width("Citt\xC3\xA0"), metrics.Width("Citta"), 0.01);
}

// The averages' decimal separator is the locale's where the card's font draws it, "." where
// the font has no such character (Pashto's U+066B, a box in the card's PDF files).
TEST(CardFont, TheDecimalSeparatorIsOneTheFontDraws) {
    EXPECT_EQ(CardDecimalSeparator(","), ",");
    EXPECT_EQ(CardDecimalSeparator("\xC2\xB7"), "\xC2\xB7");  // a middle dot: Liberation has it
    EXPECT_EQ(CardDecimalSeparator("\xD9\xAB"), ".");         // U+066B: it has not
}

}  // namespace
}  // namespace velmaro
