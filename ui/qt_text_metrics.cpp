#include "ui/qt_text_metrics.h"

#include <QImage>
#include <QPaintDevice>
#include <QRawFont>
#include <QString>

#include <algorithm>
#include <cmath>

#include "base/system_environment.h"

namespace velmaro {

namespace {

constexpr double kTwipsPerInch = 1440.0;
constexpr double kMetersPerInch = 0.0254;

// Frequencies per thousand characters of the blank and of 'a' to 'z', as the TrueType
// average-width rule weighs them.
struct CharacterWeight {
    char character;
    int weight;
};
constexpr CharacterWeight kAverageWidthWeights[] = {
    {' ', 166}, {'a', 64}, {'b', 14}, {'c', 27}, {'d', 35}, {'e', 100}, {'f', 20},
    {'g', 14},  {'h', 42}, {'i', 63}, {'j', 3},  {'k', 6},  {'l', 35},  {'m', 20},
    {'n', 56},  {'o', 56}, {'p', 17}, {'q', 4},  {'r', 49}, {'s', 56},  {'t', 71},
    {'u', 31},  {'v', 10}, {'w', 18}, {'x', 3},  {'y', 18}, {'z', 2}};

double WeightedAverageWidth(const QFontMetricsF& metrics) {
    double weightedSum = 0;
    int totalWeight = 0;
    for (const CharacterWeight& entry : kAverageWidthWeights) {
        weightedSum += entry.weight * metrics.horizontalAdvance(QLatin1Char(entry.character));
        totalWeight += entry.weight;
    }
    return weightedSum / totalWeight;
}

}  // namespace

QFont WithoutKerning(QFont font) {
    font.setKerning(false);
    return font;
}

QFont ArialFont(double points) {
    QFont font(QStringLiteral("Arial"));
    font.setPointSizeF(points);
    // Hinting only ever up and down, as fontconfig's default "slight" does: a system set to
    // full hinting would otherwise round every advance and move the card's texts.
    font.setHintingPreference(QFont::PreferVerticalHinting);
    return font;
}

QFont CardPrinterFont() { return WithoutKerning(ArialFont(10)); }

std::string CardDecimalSeparator(const std::string& separator) {
    // ASCII, which every font has, without asking the font system.
    if (std::all_of(separator.begin(), separator.end(),
                    [](char c) { return c >= 0x20 && c < 0x7F; })) {
        return separator;
    }
    const QRawFont font = QRawFont::fromFont(CardPrinterFont());
    for (const char32_t character : QString::fromStdString(separator).toUcs4())
        if (!font.isValid() || !font.supportsCharacter(character)) return ".";
    return separator;
}

std::string TakeCardDecimalSeparator() {
    return CardDecimalSeparator(TakeLocaleDecimalSeparator());
}

void PrepareCardFont() { static_cast<void>(QFontMetricsF(CardPrinterFont()).height()); }

void SetImageResolution(QImage& image, int dotsPerInchX, int dotsPerInchY) {
    image.setDotsPerMeterX(static_cast<int>(std::lround(dotsPerInchX / kMetersPerInch)));
    image.setDotsPerMeterY(static_cast<int>(std::lround(dotsPerInchY / kMetersPerInch)));
}

TwipScale TwipScale::Of(const QPaintDevice& device) {
    return {device.logicalDpiX() / kTwipsPerInch, device.logicalDpiY() / kTwipsPerInch};
}

QtTextMetrics::QtTextMetrics(const QFont& font, const QPaintDevice& device)
    : font_(font),
      metrics_(font, &device),
      scale_(TwipScale::Of(device)),
      columnWidth_(scale_.ToTwipsX(WeightedAverageWidth(metrics_))),
      height_(scale_.ToTwipsY(metrics_.height())),
      ascent_(scale_.ToTwipsY(metrics_.ascent())) {
    latin1Advances_.fill(-1);
}

QtTextMetrics QtTextMetrics::AtResolution(const QFont& font, int dotsPerInch) {
    // A 1x1 image is the cheapest paint device that carries a resolution; QFontMetricsF
    // reads it once, so the image may go away afterwards.
    QImage probe(1, 1, QImage::Format_ARGB32_Premultiplied);
    SetImageResolution(probe, dotsPerInch, dotsPerInch);
    return QtTextMetrics(font, probe);
}

double QtTextMetrics::Advance(QChar character) const {
    const char16_t code = character.unicode();
    if (code >= latin1Advances_.size()) return metrics_.horizontalAdvance(character);
    double& advance = latin1Advances_[code];
    if (advance < 0) advance = metrics_.horizontalAdvance(character);
    return advance;
}

double QtTextMetrics::WidthInDeviceUnits(const QString& text) const {
    // Kerning pairs, and characters that join their neighbours (marks, surrogate pairs), make
    // a text's width more than the sum of its parts: the whole text is laid out then.
    if (font_.kerning()) return metrics_.horizontalAdvance(text);
    double width = 0;
    for (const QChar character : text) {
        if (character.isSurrogate() || character.isMark()) return metrics_.horizontalAdvance(text);
        width += Advance(character);
    }
    return width;
}

QString TextAsDrawn(std::string_view utf8) {
    QString text = QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
    for (QChar& character : text)
        character = CharacterAsDrawn(character);
    return text;
}

double QtTextMetrics::Width(std::string_view utf8) const {
    // Most of a card is plain ASCII, which needs no conversion and has no marks or pairs.
    if (!font_.kerning()) {
        double width = 0;
        bool ascii = true;
        for (const char byte : utf8) {
            if (static_cast<unsigned char>(byte) >= 0x80) {
                ascii = false;
                break;
            }
            width += Advance(CharacterAsDrawn(QLatin1Char(byte)));
        }
        if (ascii) return scale_.ToTwipsX(width);
    }
    return scale_.ToTwipsX(WidthInDeviceUnits(TextAsDrawn(utf8)));
}

double QtTextMetrics::Height() const { return height_; }

double QtTextMetrics::Ascent() const { return ascent_; }

}  // namespace velmaro
