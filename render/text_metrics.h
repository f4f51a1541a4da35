#pragma once

#include <string_view>

namespace velmaro {

// How a font measures text, in twips.
class TextMetrics {
  public:
    virtual ~TextMetrics() = default;
    virtual double Width(std::string_view utf8) const = 0;
    virtual double Height() const = 0;       // one line of text
    virtual double ColumnWidth() const = 0;  // the average character width
};

// A synthetic font for reproducible recordings: every character 100 twips wide, every line
// 200 twips high, print columns 100 twips wide.
class FixedMetrics final : public TextMetrics {
  public:
    double Width(std::string_view utf8) const override;
    double Height() const override { return 200; }
    double ColumnWidth() const override { return 100; }
};

}  // namespace velmaro
