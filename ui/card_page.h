#pragma once

#include <QImage>
#include <QPageLayout>
#include <QPainter>
#include <QSizeF>

#include <functional>

#include "render/page_fit.h"
#include "render/render_card.h"

namespace velmaro {

// The page every card file holds: A4 portrait with a margin of half an inch on every side.
// The margin stands in for the border a printer cannot print on, so a card file shows the
// card where a printed page would.
QPageLayout CardPageLayout();

// The whole A4 page in device units of a device at dotsPerInch, rounded from its size in
// millimetres (2480 x 3508 at 300 dpi).
QSize CardPageSizeAt(int dotsPerInch);

// An empty (white) A4 page image at dotsPerInch, with that resolution recorded in the image
// so that fonts given in points get their right size. A null image when it cannot be
// allocated.
QImage NewCardPageImage(int dotsPerInch);

// The size of the printable area of the card files' page, in twips.
QSizeF CardPrintableSize();

// Draws input's card as the printer draws it ("Arial" 10 points, printer frame) on painter,
// whose device is a whole A4 page with its origin at the page's top-left corner. The card's
// origin is the top-left corner of the printable area; nothing is drawn outside that area.
// Lines and outlines are lineWidth wide, in twips; 0 draws them as hairlines of one device
// pixel. The painter's state is restored afterwards. Tells whether the card was cut off.
PageFit DrawCardPage(QPainter& painter, const CardInput& input, double lineWidth = 0);

// Whether a card that fits its page as fit goes on it: whole, or cut off once goOnCutOff, asked
// only then with how it is cut off, agrees.
inline bool GoesOnPage(PageFit fit, const std::function<bool(PageFit)>& goOnCutOff) {
    return fit.Whole() || goOnCutOff(fit);
}

// How input's card, laid out as DrawCardPage lays it out, fits the card files' page; draws
// nothing.
PageFit CardPageFit(const CardInput& input);

// How input's card, laid out as a painter on device lays the printer page out (see
// PaintCardJob: the printer font measured on device), fits the device's size, which is a
// printer's printable area; draws nothing. A printer's paper, margins and resolution all move
// the edges: a card whole on A4 may be cut off on Letter.
PageFit CardPageFitOn(const QPaintDevice& device, const CardInput& input);

}  // namespace velmaro
