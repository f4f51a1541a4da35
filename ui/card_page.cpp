#include "ui/card_page.h"

#include <QPageSize>
#include <QPaintDevice>

#include <utility>

#include "ui/painter_surface.h"
#include "ui/qt_text_metrics.h"

namespace velmaro {

QPageLayout CardPageLayout() {
    return QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                       QMarginsF(0.5, 0.5, 0.5, 0.5), QPageLayout::Inch);
}

QSize CardPageSizeAt(int dotsPerInch) {
    // Qt's own pixel sizes start from the size in whole points (595 x 842), a pixel short
    // at 300 dpi; the millimetres are exact.
    const QSizeF millimetres = CardPageLayout().pageSize().size(QPageSize::Millimeter);
    return QSize(qRound(millimetres.width() / 25.4 * dotsPerInch),
                 qRound(millimetres.height() / 25.4 * dotsPerInch));
}

QImage NewCardPageImage(int dotsPerInch) {
    QImage image(CardPageSizeAt(dotsPerInch), QImage::Format_RGB32);
    if (image.isNull()) return image;
    SetImageResolution(image, dotsPerInch, dotsPerInch);
    image.fill(Qt::white);
    return image;
}

QSizeF CardPrintableSize() {
    return CardPageLayout().paintRect(QPageLayout::Inch).size() * kTwipResolution;
}

PageFit DrawCardPage(QPainter& painter, const CardInput& input, double lineWidth) {
    const QPaintDevice& device = *painter.device();
    const QRectF inches = CardPageLayout().paintRect(QPageLayout::Inch);
    const QRectF printable(
        inches.left() * device.logicalDpiX(), inches.top() * device.logicalDpiY(),
        inches.width() * device.logicalDpiX(), inches.height() * device.logicalDpiY());

    painter.save();
    painter.translate(printable.topLeft());
    painter.setClipRect(QRectF(QPointF(0, 0), printable.size()));
    // Drawn as at the PDF's resolution and scaled to the device's: an image of any resolution
    // shows the card of the PDF, not one laid out in a font rounded to its pixels.
    painter.scale(device.logicalDpiX() / static_cast<double>(kTwipResolution),
                  device.logicalDpiY() / static_cast<double>(kTwipResolution));
    PainterSurface surface(painter, CardPrinterFont(), SurfaceKind::kPrinter, kTwipResolution);
    surface.SetLineWidth(lineWidth);
    const PageFit fit = RenderCardOnPage(surface, input, inches.width() * kTwipResolution,
                                         inches.height() * kTwipResolution);
    painter.restore();
    return fit;
}

namespace {

// Lays a card out in the printer font as metrics measure it, and draws nothing.
class PrinterLayoutSurface final : public DrawSurface {
  public:
    explicit PrinterLayoutSurface(QtTextMetrics metrics) : metrics_(std::move(metrics)) {}

    SurfaceKind Kind() const override { return SurfaceKind::kPrinter; }
    double TextWidth(std::string_view text) const override { return metrics_.Width(text); }
    double TextHeight(std::string_view) const override { return metrics_.Height(); }
    double ColumnWidth() const override { return metrics_.ColumnWidth(); }

  protected:
    void DrawText(double, double, std::string_view) override {}
    void DrawLine(double, double, double, double) override {}
    void DrawCircle(double, double, double, bool) override {}

  private:
    QtTextMetrics metrics_;
};

PageFit LaidOutFit(QtTextMetrics metrics, const CardInput& input, QSizeF printable) {
    PrinterLayoutSurface surface(std::move(metrics));
    return RenderCardOnPage(surface, input, printable.width(), printable.height());
}

}  // namespace

PageFit CardPageFit(const CardInput& input) {
    return LaidOutFit(
        QtTextMetrics::AtResolution(WithoutKerning(CardPrinterFont()), kTwipResolution), input,
        CardPrintableSize());
}

PageFit CardPageFitOn(const QPaintDevice& device, const CardInput& input) {
    const TwipScale scale = TwipScale::Of(device);
    return LaidOutFit(QtTextMetrics(WithoutKerning(CardPrinterFont()), device), input,
                      QSizeF(scale.ToTwipsX(device.width()), scale.ToTwipsY(device.height())));
}

}  // namespace velmaro
