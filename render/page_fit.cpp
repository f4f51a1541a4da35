#include "render/page_fit.h"

namespace velmaro {

PageFit RenderCardOnPage(DrawSurface& surface, const CardInput& input, double width,
                         double height) {
    surface.SetPageBottom(height);
    RenderCard(surface, input);
    // Half a twip for the rounding of a line or a text that ends on the edge.
    return {.pastBottom = surface.Lowest() > height + 0.5,
            .pastRight = surface.Rightmost() > width + 0.5};
}

}  // namespace velmaro
