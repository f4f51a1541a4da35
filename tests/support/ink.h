#pragma once

#include <QImage>
#include <QRect>

namespace velmaro {

// The dark pixels of image within area (the whole image by default): how many, and the
// smallest rectangle that holds them.
struct Ink {
    int pixels = 0;
    QRect bounds;
};
inline Ink InkOf(const QImage& image, QRect area = {}) {
    if (area.isNull()) area = image.rect();
    Ink ink;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            if (qGray(image.pixel(x, y)) >= 128) continue;
            ++ink.pixels;
            ink.bounds |= QRect(x, y, 1, 1);
        }
    }
    return ink;
}

}  // namespace velmaro
