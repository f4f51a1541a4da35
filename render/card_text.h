#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "render/draw_surface.h"
#include "render/render_card.h"
#include "render/text_metrics.h"

namespace velmaro {

// A surface that draws nothing and keeps the card's text in reading order, for a copy to
// the clipboard and for screen readers. It is fed by the same drawing operations as every
// other surface, so the text always says what the card shows.
//
// Text items drawn one after another on the same line join into one line; where a gap lies
// between two items (a tab stop) they are separated by a tab character. Text that a Tab sent
// to the next line, further right, because the line already reached past its column (an exam
// row whose grade went to the next line) continues the line before it; text that merely
// follows one line lower (the first exam row under a header with no chart between) starts a
// line of its own. Any figure drawn ends the line being collected. Lines that are nothing but
// one number item are the chart's year marks: they label the axis and are left out. Text
// drawn where an earlier text of its line ended joins that text: the two averages, drawn
// last, follow their labels in the header. Lines come out in drawing order: the header, then
// one line per exam.
class CardTextSurface final : public DrawSurface {
  public:
    // Measures with metrics (not owned; it must outlive the surface).
    explicit CardTextSurface(const TextMetrics& metrics) : metrics_(metrics) {}

    SurfaceKind Kind() const override { return SurfaceKind::kOther; }
    double TextWidth(std::string_view text) const override { return metrics_.Width(text); }
    double TextHeight(std::string_view) const override { return metrics_.Height(); }
    double ColumnWidth() const override { return metrics_.ColumnWidth(); }

    // The text collected so far: one line per card line, each ended by "\n"; within a line,
    // control characters of the data (tabs, line ends) count as blanks, blanks at the ends of
    // each tab-separated field are removed and runs of blanks inside it become one.
    std::string Text() const;

  protected:
    void DrawText(double x, double y, std::string_view text) override;
    void DrawLine(double, double, double, double) override { lineClosed_ = true; }
    void DrawCircle(double, double, double, bool) override { lineClosed_ = true; }
    void TabEndedLine() override { tabEndedLine_ = true; }

  private:
    struct Run {
        double x = 0;
        double end = 0;
        std::string text;
    };
    struct TextLine {
        double y = 0;
        double left = 0;
        std::vector<Run> runs;
    };

    const TextMetrics& metrics_;
    std::vector<TextLine> lines_;
    bool lineClosed_ = true;
    // A Tab ended the line, and no text was drawn since: the next text may continue it.
    bool tabEndedLine_ = false;
};

// The text of input's card in reading order, measured with metrics (see CardTextSurface).
std::string CardText(const CardInput& input, const TextMetrics& metrics);

}  // namespace velmaro
