#pragma once

#include <QImage>
#include <QPageLayout>
#include <QPainter>

#include <functional>

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

// Whether a card drawn on a page lies wholly within its printable area, or runs past the
// area's bottom edge (a career of many rows, exams dated past the chart's end) and is cut off
// there, while the window shows it whole.
enum class PageFit { kWhole, kCutOff };

// How a card whose lowest point drawn is lowest fits a printable area height high (both in
// twips).
PageFit PageFitOf(double lowest, double height);

// The height of the printable area of the card files' page, in twips.
double CardPrintableHeight();

// Draws input's card as the printer draws it ("Arial" 10 points, printer frame) on painter,
// whose device is a whole A4 page with its origin at the page's top-left corner. The card's
// origin is the top-left corner of the printable area; nothing is drawn outside that area.
// Lines and outlines are lineWidth wide, in twips; 0 draws them as hairlines of one device
// pixel. The painter's state is restored afterwards. Tells whether the card was cut off.
PageFit DrawCardPage(QPainter& painter, const CardInput& input, double lineWidth = 0);

// Whether a card that fits its page as fit goes on it: whole, or cut off once goOnCutOff, asked
// only then, agrees.
inline bool GoesOnPage(PageFit fit, const std::function<bool()>& goOnCutOff) {
    return fit == PageFit::kWhole || goOnCutOff();
}

// How input's card, laid out as DrawCardPage lays it out, fits the card files' page; draws
// nothing.
PageFit CardPageFit(const CardInput& input);

// How input's card, laid out as a painter on device lays the printer page out (see
// PaintCardJob: the printer font measured on device), fits the device's height, which is a
// printer's printable area; draws nothing. A printer's paper, margins and resolution all move
// the edge: a card whole on A4 may be cut off on Letter.
PageFit CardPageFitOn(const QPaintDevice& device, const CardInput& input);

}  // namespace velmaro
