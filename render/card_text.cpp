#include "render/card_text.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace velmaro {

namespace {

// Positions closer than this (a thousandth of a point) are the same.
constexpr double kSamePlace = 0.02;

bool IsBlank(char c) { return c == ' '; }

// A number item's text: a blank or minus, digits, a blank (" 1993 ").
bool IsNumberItem(std::string_view text) {
    if (text.size() < 3 || !IsBlank(text.back())) return false;
    if (!IsBlank(text.front()) && text.front() != '-') return false;
    for (std::size_t i = 1; i + 1 < text.size(); ++i)
        if (text[i] < '0' || text[i] > '9') return false;
    return true;
}

// Whether c shows as a blank in the text: a blank, or a control character the data holds (a
// tab or a line end in a field), which would otherwise split the field or the line, whose
// separators are the text's own.
bool ShowsAsBlank(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte <= ' ' || byte == 0x7F;
}

// field without blanks at its ends and with every run of blanks inside it made one.
void AppendTidied(std::string& out, std::string_view field) {
    bool pendingBlank = false;
    bool any = false;
    for (const char c : field) {
        if (ShowsAsBlank(c)) {
            pendingBlank = any;
            continue;
        }
        if (pendingBlank) out.push_back(' ');
        out.push_back(c);
        pendingBlank = false;
        any = true;
    }
}

}  // namespace

void CardTextSurface::DrawText(double x, double y, std::string_view text) {
    Run run{x, x + metrics_.Width(text), std::string(text)};
    const bool afterTabEndedLine = std::exchange(tabEndedLine_, false);
    if (!lines_.empty() && !lineClosed_) {
        TextLine& last = lines_.back();
        const bool sameLine =
            std::fabs(y - last.y) < kSamePlace && x > last.runs.back().x - kSamePlace;
        const bool wrapped = afterTabEndedLine &&
                             std::fabs(y - (last.y + metrics_.Height())) < kSamePlace &&
                             x > last.left + kSamePlace;
        if (sameLine || wrapped) {
            last.y = y;
            last.runs.push_back(std::move(run));
            return;
        }
    }
    // Text drawn where an earlier text of its line ended continues that text, though other
    // lines came between: the averages, drawn last at the places kept after their labels.
    for (auto line = lines_.rbegin(); line != lines_.rend(); ++line) {
        if (std::fabs(y - line->y) >= kSamePlace) continue;
        const auto before = std::find_if(line->runs.begin(), line->runs.end(), [x](const Run& r) {
            return std::fabs(r.end - x) < kSamePlace;
        });
        if (before == line->runs.end()) continue;
        line->runs.insert(before + 1, std::move(run));
        return;
    }
    lines_.push_back(TextLine{y, x, {std::move(run)}});
    lineClosed_ = false;
}

std::string CardTextSurface::Text() const {
    std::string out;
    for (const TextLine& line : lines_) {
        if (line.runs.size() == 1 && IsNumberItem(line.runs.front().text)) continue;
        std::string field;
        std::string joined;
        for (std::size_t i = 0; i < line.runs.size(); ++i) {
            const Run& run = line.runs[i];
            if (i > 0 && std::fabs(run.x - line.runs[i - 1].end) >= kSamePlace) {
                AppendTidied(joined, field);
                joined.push_back('\t');
                field.clear();
            }
            field += run.text;
        }
        AppendTidied(joined, field);
        out += joined;
        out.push_back('\n');
    }
    return out;
}

std::string CardText(const CardInput& input, const TextMetrics& metrics) {
    CardTextSurface surface(metrics);
    RenderCard(surface, input);
    return surface.Text();
}

}  // namespace velmaro
