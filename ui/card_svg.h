#pragma once

#include <QByteArray>
#include <QRectF>

namespace velmaro {

// The width of a card's lines in an SVG file, in its twips: half a point, one pixel of the
// 150-dpi PNG. A drawing's one-pixel hairline is not kept by every SVG viewer (librsvg, which
// GNOME's viewers use, draws it one twip wide, nearly invisible).
inline constexpr double kSvgCardLineWidth = 10;

// The SVG that Qt's generator wrote (generated) made a page as the other card files are: white
// under the drawing, and the drawing cut at printable (in the SVG's user units), as Qt's
// generator cannot (it drops a painter's clipping). The file is declared SVG 1.1, whose clip
// paths the tiny profile that Qt declares lacks (and Qt's vector-effect="none", which SVG 1.1
// lacks, goes). An SVG not shaped as Qt writes it is returned
// as it is.
QByteArray FramedCardSvg(QByteArray generated, const QRectF& printable);

}  // namespace velmaro
