#include "render/draw_surface.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

namespace velmaro {

std::string NumberItemText(double number) {
    // The card prints only whole numbers; any other value is written with 15 significant
    // digits, as many as a double always holds exactly.
    std::string digits;
    const double magnitude = std::fabs(number);
    if (magnitude == std::floor(magnitude) && magnitude < 1e15) {
        digits = std::to_string(static_cast<long long>(magnitude));
    } else {
        char buffer[32];
        std::snprintf(buffer, sizeof buffer, "%.15g", magnitude);
        digits = buffer;
    }
    return (number < 0 ? "-" : " ") + digits + " ";
}

void DrawSurface::EndLine() {
    currentX_ = 0;
    currentY_ += TextHeight("M");
}

namespace {

// No page shows more than a few hundred characters of one line at the card's size: a text is
// cut after 8 KB (on a character's boundary), so that an absurd one (a table line of
// megabytes) costs no more than that to measure, draw and record.
constexpr std::size_t kLongestDrawnText = 8192;

std::string_view Drawable(std::string_view text) {
    if (text.size() <= kLongestDrawnText) return text;
    std::size_t end = kLongestDrawnText;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
        --end;
    return text.substr(0, end);
}

// The text an item prints; numberText holds a number item's text.
std::string_view ItemText(const PrintItem& item, std::string& numberText) {
    if (item.kind != PrintItem::Kind::kNumber) return Drawable(item.text);
    numberText = NumberItemText(item.number);
    return numberText;
}

// text without the blanks at its end, which put no ink on a page: spaces and no-break spaces
// (a number item's closing blank, a typed number's trailing blanks, a name's padding).
std::string_view WithoutEndBlanks(std::string_view text) {
    constexpr std::string_view kNoBreakSpace = "\u00a0";
    while (true) {
        if (text.ends_with(' ')) {
            text.remove_suffix(1);
        } else if (text.ends_with(kNoBreakSpace)) {
            text.remove_suffix(kNoBreakSpace.size());
        } else {
            return text;
        }
    }
}

}  // namespace

bool DrawSurface::TabEndsLine(double x, int column) const {
    // A tab never moves left: text that already reaches into column n would otherwise be
    // overdrawn by what follows, so the line ends first, as for a column already passed.
    constexpr double kTolerance = 1e-6;
    return x > ColumnStart(column) + kTolerance;
}

int DrawSurface::LinesOf(std::span<const PrintItem> items, double x) const {
    int lines = 1;
    std::string numberText;
    for (const PrintItem& item : items) {
        if (item.kind == PrintItem::Kind::kTab) {
            if (TabEndsLine(x, item.column)) ++lines;
            x = ColumnStart(item.column);
        } else {
            x += TextWidth(ItemText(item, numberText));
        }
    }
    return lines;
}

void DrawSurface::Print(std::span<const PrintItem> items) {
    std::string numberText;
    for (const PrintItem& item : items) {
        if (item.kind == PrintItem::Kind::kTab) {
            if (TabEndsLine(currentX_, item.column)) {
                TabEndedLine();
                EndLine();
            }
            currentX_ = ColumnStart(item.column);
            continue;
        }
        const std::string_view text = ItemText(item, numberText);
        const double width = TextWidth(text);
        if (!text.empty()) {
            DrawText(currentX_, currentY_, text);
            lowest_ = std::max(lowest_, currentY_ + TextHeight(text));
            if (currentY_ < pageBottom_) {
                const std::string_view inked = WithoutEndBlanks(text);
                rightmost_ =
                    std::max(rightmost_,
                             currentX_ + (inked.size() == text.size() ? width : TextWidth(inked)));
            }
        }
        currentX_ += width;
    }
    if (items.empty() || !items.back().continues) EndLine();
}

void DrawSurface::Line(double x1, double y1, double x2, double y2) {
    DrawLine(x1, y1, x2, y2);
    lowest_ = std::max({lowest_, y1, y2});
    currentX_ = x2;
    currentY_ = y2;
}

void DrawSurface::LineRelative(double x1, double y1, double dx, double dy) {
    Line(x1, y1, x1 + dx, y1 + dy);
}

void DrawSurface::Circle(double x, double y, double radius) {
    DrawCircle(x, y, radius, fillStyle_ == 0);
    lowest_ = std::max(lowest_, y + radius);
    if (y - radius < pageBottom_) rightmost_ = std::max(rightmost_, x + radius);
    currentX_ = x;
    currentY_ = y;
}

}  // namespace velmaro
