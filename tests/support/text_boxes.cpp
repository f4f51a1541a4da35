#include "tests/support/text_boxes.h"

#include <sstream>

namespace velmaro::testing {

void TextBoxSurface::DrawText(double x, double y, std::string_view text) {
    boxes_.push_back({x, y, x + TextWidth(text), y + TextHeight(text), std::string(text)});
}

std::string FirstOverlap(const std::vector<TextBox>& boxes) {
    constexpr double kRounding = 1e-6;
    for (std::size_t i = 0; i < boxes.size(); ++i) {
        for (std::size_t j = i + 1; j < boxes.size(); ++j) {
            const TextBox& a = boxes[i];
            const TextBox& b = boxes[j];
            if (a.left < b.right - kRounding && b.left < a.right - kRounding &&
                a.top < b.bottom - kRounding && b.top < a.bottom - kRounding) {
                std::ostringstream text;
                text << '"' << a.text << "\" (" << a.left << ", " << a.top << ") over \"" << b.text
                     << "\" (" << b.left << ", " << b.top << ")";
                return text.str();
            }
        }
    }
    return {};
}

}  // namespace velmaro::testing
