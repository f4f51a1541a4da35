#pragma once

#include "render/draw_surface.h"
#include "render/render_card.h"

namespace velmaro {

// How a card drawn on a page lies within the page's printable area: whole, or running past its
// bottom edge (a career of many rows, exams dated past the chart's end), past its right edge (an
// exam or diploma name, or a typed number, longer than the page is wide), or both, and cut off
// there, while the window shows the whole card.
struct PageFit {
    bool pastBottom = false;
    bool pastRight = false;

    bool Whole() const { return !pastBottom && !pastRight; }
    bool operator==(const PageFit&) const = default;
};

// Of three texts, the one that names the edges a card cut off as fit tells is cut off at: the
// bottom alone, the right edge alone, or both.
inline const char* ByEdges(PageFit fit, const char* bottom, const char* right, const char* both) {
    return !fit.pastRight ? bottom : fit.pastBottom ? both : right;
}

// Draws input's card on surface, whose printable area is width wide and height high (in twips,
// from the card's origin), and tells how it fits there: by the lowest point drawn, and by the
// right end of the ink of what begins above the bottom edge (a row the page cuts off whole does
// not reach its right edge).
PageFit RenderCardOnPage(DrawSurface& surface, const CardInput& input, double width, double height);

}  // namespace velmaro
