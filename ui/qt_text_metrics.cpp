#include "ui/qt_text_metrics.h"

#include <QImage>
#include <QPaintDevice>
#include <QString>

#include <cmath>

namespace velmaro {

namespace {

constexpr double kTwipsPerInch = 1440.0;
constexpr double kInchesPerMeter = 1.0 / 0.0254;

}  // namespace

QFont CardPrinterFont() {
    QFont font(QStringLiteral("Arial"));
    font.setPointSizeF(10);
    return font;
}

TwipScale TwipScale::Of(const QPaintDevice& device) {
    return {device.logicalDpiX() / kTwipsPerInch, device.logicalDpiY() / kTwipsPerInch};
}

QtTextMetrics::QtTextMetrics(const QFont& font, const QPaintDevice& device)
    : font_(font), metrics_(font, &device), scale_(TwipScale::Of(device)) {}

QtTextMetrics QtTextMetrics::AtResolution(const QFont& font, int dotsPerInch) {
    // A 1x1 image is the cheapest paint device that carries a resolution; QFontMetricsF
    // reads it once, so the image may go away afterwards.
    QImage probe(1, 1, QImage::Format_ARGB32_Premultiplied);
    const int dotsPerMeter = static_cast<int>(std::lround(dotsPerInch * kInchesPerMeter));
    probe.setDotsPerMeterX(dotsPerMeter);
    probe.setDotsPerMeterY(dotsPerMeter);
    return QtTextMetrics(font, probe);
}

double QtTextMetrics::Width(std::string_view utf8) const {
    const QString text = QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
    return scale_.ToTwipsX(metrics_.horizontalAdvance(text));
}

double QtTextMetrics::Height() const { return scale_.ToTwipsY(metrics_.height()); }

double QtTextMetrics::ColumnWidth() const { return scale_.ToTwipsX(metrics_.averageCharWidth()); }

double QtTextMetrics::Ascent() const { return scale_.ToTwipsY(metrics_.ascent()); }

}  // namespace velmaro
