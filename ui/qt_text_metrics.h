#pragma once

#include <QFont>
#include <QFontMetricsF>
#include <QString>

#include <array>
#include <string>
#include <string_view>

#include "render/text_metrics.h"

class QImage;
class QPaintDevice;

namespace velmaro {

// The resolution at which one device unit is one twip: devices drawn at it need no rounding
// of the card's coordinates, and fonts measured at it are not rounded to coarse pixels.
inline constexpr int kTwipResolution = 1440;

// font without pair kerning: every character then takes its own advance width wherever it
// stands, so a text is as wide as its characters together, as on a printer that sets text
// without kerning. The card's surfaces draw and measure every font this way.
QFont WithoutKerning(QFont font);

// "Arial" at points: the font of the window, its controls and the card.
QFont ArialFont(double points);

// The card's printer font: "Arial" 10 points, without kerning. fontconfig serves Liberation
// Sans for it, which has Arial's metrics.
QFont CardPrinterFont();

// separator, the locale's decimal separator, when the card's font has every character of it;
// "." otherwise. The card's PDF files embed that font alone, where a character it lacks is a
// box (Pashto's "٫", U+066B); every card shows the same averages. Needs the application object.
std::string CardDecimalSeparator(const std::string& separator);

// The averages' decimal separator of every card: the locale's (TakeLocaleDecimalSeparator),
// as CardDecimalSeparator lets it stand. Needs the application object.
std::string TakeCardDecimalSeparator();

// Sets up the font system for the card's font on the calling thread: the system's font
// configuration is read and the font found once, here, rather than on whichever thread draws
// first (where a failure, memory running out say, would be the font system's to report).
void PrepareCardFont();

// Device units per twip of a paint device: its logical resolution divided by 1440.
struct TwipScale {
    double x = 1;
    double y = 1;

    static TwipScale Of(const QPaintDevice& device);
    double ToDeviceX(double twips) const { return twips * x; }
    double ToDeviceY(double twips) const { return twips * y; }
    double ToTwipsX(double units) const { return units / x; }
    double ToTwipsY(double units) const { return units / y; }
};

// Records a resolution in image, so that fonts given in points get their right size on it.
void SetImageResolution(QImage& image, int dotsPerInchX, int dotsPerInchY);

// The character a card draws for character: a control character (a tab, a line end, an
// escape typed into a number) has no glyph, and drawn as it is it would move the text after it
// or break its line; U+FFFD stands for it, as for any other character that cannot be shown
// (and for the noncharacters U+FFFE and U+FFFF, which an SVG file cannot hold either). A soft
// hyphen (byte 0xAD of the data) is the hyphen it is measured as: Qt would hide it on screen
// and leave a gap, while a PDF draws the font's hyphen.
inline QChar CharacterAsDrawn(QChar character) {
    if (character.unicode() == 0x00AD) return QLatin1Char('-');
    const bool shown = character.category() != QChar::Other_Control && character.unicode() < 0xFFFE;
    return shown ? character : QChar(QChar::ReplacementCharacter);
}

// The UTF-8 text as a card draws it: each character as CharacterAsDrawn gives it.
QString TextAsDrawn(std::string_view utf8);

// How a real font measures text on one paint device, converted to twips. The font is
// resolved for that device's resolution, so the figures are those QPainter uses when it draws
// the same font there.
class QtTextMetrics final : public TextMetrics {
  public:
    // Measures font as it is drawn on device (which need not outlive this object).
    QtTextMetrics(const QFont& font, const QPaintDevice& device);

    // Measures font at dotsPerInch without any real device: a resolution as fine as the
    // twip (1440) keeps pixel rounding out of the figures.
    static QtTextMetrics AtResolution(const QFont& font, int dotsPerInch);

    // Without kerning, the sum of the characters' advances, each asked of the font once.
    double Width(std::string_view utf8) const override;
    double Height() const override;
    // The average character width by the classic TrueType rule: the advances of the blank
    // and the lowercase letters, weighted by how often they occur in text. This is the figure
    // Arial's font header carries and the printer's Tab columns use. Fonts that copy Arial's
    // advances (Liberation Sans) state a plain mean of all their glyphs instead, a third
    // wider, so the figure is computed from the advances rather than read from the header.
    double ColumnWidth() const override { return columnWidth_; }

    // The font's ascent in twips: how far the baseline lies below a text's top edge.
    double Ascent() const;

    const QFont& Font() const { return font_; }
    const TwipScale& Scale() const { return scale_; }

  private:
    // The advance of one character in device units; those of U+0000 to U+00FF (every
    // character of the data files but a few) are remembered.
    double Advance(QChar character) const;
    double WidthInDeviceUnits(const QString& text) const;

    QFont font_;
    QFontMetricsF metrics_;
    TwipScale scale_;
    double columnWidth_;
    // Asked of the font once: every question to QFontMetricsF takes a lock that all threads
    // drawing text share.
    double height_;
    double ascent_;
    mutable std::array<double, 256> latin1Advances_;  // negative until first asked
};

}  // namespace velmaro
