#pragma once

// Reading back what was painted on an image: where the dark pixels are.

#include <QImage>
#include <QRect>

namespace velmaro::testing {

// Whether the pixel at (x, y) is dark (drawn in black, antialiased edges half-way included).
inline bool IsInk(const QImage& image, int x, int y) { return qGray(image.pixel(x, y)) < 128; }

// The smallest rectangle holding every dark pixel of image within area (the whole image
// by default); a null rectangle when there is none.
inline QRect InkBounds(const QImage& image, QRect area = {}) {
    if (area.isNull()) area = image.rect();
    area &= image.rect();
    int left = area.right() + 1, top = area.bottom() + 1, right = -1, bottom = -1;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            if (!IsInk(image, x, y)) continue;
            left = std::min(left, x);
            right = std::max(right, x);
            top = std::min(top, y);
            bottom = std::max(bottom, y);
        }
    }
    if (right < 0) return {};
    return QRect(QPoint(left, top), QPoint(right, bottom));
}

// A white image of size at the given resolution (dots per inch, across and down).
inline QImage WhiteImage(QSize size, int dpiX, int dpiY) {
    QImage image(size, QImage::Format_RGB32);
    image.setDotsPerMeterX(qRound(dpiX / 0.0254));
    image.setDotsPerMeterY(qRound(dpiY / 0.0254));
    image.fill(Qt::white);
    return image;
}

}  // namespace velmaro::testing
