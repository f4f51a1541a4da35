// The card's PNG file: every pixel and the resolution come back as drawn, whatever the image's
// size and greys; a page in colour is stored in colour.

#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

#include <optional>
#include <random>
#include <vector>

#include "tests/ui/sample_card.h"
#include "ui/card_files.h"
#include "ui/card_page.h"
#include "ui/grey_png.h"
#include "ui/qt_text_metrics.h"

namespace velmaro {
namespace {

// The image a PNG file holds, read by the system's PNG library, which refuses a file whose
// image data or header fails its checksum and drops a resolution that fails its own.
std::optional<QImage> Read(const std::optional<QByteArray>& file) {
    QImage image;
    if (!file || !image.loadFromData(*file, "PNG")) return std::nullopt;
    return image;
}

TEST(CardPng, GreyPagesComeBackPixelForPixelWithTheirResolution) {
    SampleCard card("5193");
    ASSERT_TRUE(card.Loaded());
    std::vector<QImage> pages{NewCardPageImage(150)};
    {
        QPainter painter(&pages[0]);
        painter.setRenderHint(QPainter::Antialiasing);
        DrawCardPage(painter, card.Input());
    }
    // Noise of every grey, which no compression shrinks (the compressed data outgrows the
    // encoder's buffer several times, also within the last row alone), at another resolution
    // across than down; and pages of one pixel, one row and one column.
    std::mt19937 random(7);
    for (const QSize size : {QSize(613, 509), QSize(1, 1), QSize(200000, 1), QSize(1, 3000)}) {
        QImage noise(size, QImage::Format_RGB32);
        SetImageResolution(noise, 96, 300);
        for (int y = 0; y < size.height(); ++y) {
            for (int x = 0; x < size.width(); ++x) {
                const int grey = static_cast<int>(random() % 256);
                noise.setPixel(x, y, qRgb(grey, grey, grey));
            }
        }
        pages.push_back(noise);
    }
    for (const QImage& page : pages) {
        const std::optional<QImage> read = Read(EncodeCardPng(page));
        ASSERT_TRUE(read) << page.width() << "x" << page.height();
        EXPECT_EQ(read->format(), QImage::Format_Grayscale8);
        EXPECT_TRUE(read->convertToFormat(QImage::Format_RGB32) == page);
        EXPECT_EQ(read->dotsPerMeterX(), page.dotsPerMeterX());
        EXPECT_EQ(read->dotsPerMeterY(), page.dotsPerMeterY());
    }
}

TEST(CardPng, APageInColourIsStoredInColour) {
    QImage page(40, 30, QImage::Format_RGB32);
    page.fill(Qt::white);
    page.setPixel(39, 29, qRgb(255, 255, 0));  // yellow: red and green alike
    EXPECT_FALSE(GreyPngOf(page));
    const std::optional<QImage> read = Read(EncodeCardPng(page));
    ASSERT_TRUE(read);
    EXPECT_TRUE(read->convertToFormat(QImage::Format_RGB32) == page);
}

}  // namespace
}  // namespace velmaro
