#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "render/draw_surface.h"
#include "render/text_metrics.h"

namespace velmaro::testing {

// The box a text item covers: x to x + TextWidth, y to y + TextHeight.
struct TextBox {
    double left = 0, top = 0, right = 0, bottom = 0;
    std::string text;
};

// A printer-page surface that keeps the box of every text drawn, measured with metrics.
class TextBoxSurface final : public DrawSurface {
  public:
    explicit TextBoxSurface(const TextMetrics& metrics) : metrics_(metrics) {}

    SurfaceKind Kind() const override { return SurfaceKind::kPrinter; }
    double TextWidth(std::string_view text) const override { return metrics_.Width(text); }
    double TextHeight(std::string_view) const override { return metrics_.Height(); }
    double ColumnWidth() const override { return metrics_.ColumnWidth(); }

    const std::vector<TextBox>& Boxes() const { return boxes_; }

  protected:
    void DrawText(double x, double y, std::string_view text) override;
    void DrawLine(double, double, double, double) override {}
    void DrawCircle(double, double, double, bool) override {}

  private:
    const TextMetrics& metrics_;
    std::vector<TextBox> boxes_;
};

// The first pair of boxes that overlap by more than a rounding error, described as
// "\"a\" (x, y) over \"b\" (x, y)"; empty when no two boxes overlap (touching is fine).
std::string FirstOverlap(const std::vector<TextBox>& boxes);

}  // namespace velmaro::testing
