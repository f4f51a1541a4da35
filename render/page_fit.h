#pragma once

#include "render/draw_surface.h"

namespace velmaro {

// How a card drawn on a page lies within the page's printable area: whole, or running past its
// bottom edge (a career of many rows, exams dated past the chart's end), past its right edge (an
// exam or diploma name longer than the page is wide), or both, and cut off there, while the
// window shows the whole card.
struct PageFit {
    bool pastBottom = false;
    bool pastRight = false;

    bool Whole() const { return !pastBottom && !pastRight; }
    bool operator==(const PageFit&) const = default;
};

// How the card drawn on surface fits a printable area width wide and height high (all in
// twips), from the lowest point drawn and the right end of its texts and dots.
inline PageFit PageFitOf(const DrawSurface& surface, double width, double height) {
    // Half a twip for the rounding of a line or a text that ends on the edge.
    return {.pastBottom = surface.Lowest() > height + 0.5,
            .pastRight = surface.Rightmost() > width + 0.5};
}

}  // namespace velmaro
