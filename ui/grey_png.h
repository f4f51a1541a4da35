#pragma once

#include <QByteArray>
#include <QImage>

#include <optional>

namespace velmaro {

// The PNG file of page, an image of QImage::Format_RGB32 whose pixels are all greys (red, green
// and blue alike), as one grey byte a pixel with page's resolution; nothing when page is of
// another format, a pixel of it is not grey, or the compressor finds no memory for its work.
// Each row is stored unfiltered: on a card's white page with black text that is both the
// smallest file and the fastest encoding of the filters PNG offers.
std::optional<QByteArray> GreyPngOf(const QImage& page);

}  // namespace velmaro
