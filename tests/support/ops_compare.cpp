#include "tests/support/ops_compare.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <fstream>
#include <sstream>

namespace velmaro::testing {
namespace {

// The header of the lines of a fragment that has no card line.
constexpr std::string_view kBeforeFirstCard = "(before the first card)";

// One line of a recording taken apart: the words that must match exactly (the kind, JSON
// texts, the fill) and the numbers, which may differ within a tolerance.
struct ParsedOp {
    std::vector<std::string> exactWords;
    std::vector<double> numbers;
};

// The fields after each kind: c a coordinate (shortest exact form, ".0" on whole numbers),
// r a radius (shortest exact form), s a JSON string, f "filled" or "outline".
std::string_view FieldsOf(std::string_view kind) {
    if (kind == "card") return "s";
    if (kind == "notfound") return "";
    if (kind == "text") return "ccs";
    if (kind == "line") return "cccc";
    if (kind == "circle") return "ccrf";
    return "?";
}

// The length of the JSON string literal at the start of text, or 0 when there is none.
std::size_t JsonLiteralLength(std::string_view text) {
    if (text.empty() || text[0] != '"') return 0;
    for (std::size_t i = 1; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c == '"') return i + 1;
        if (c < 0x20) return 0;
        if (c != '\\') continue;
        if (++i >= text.size()) return 0;
        if (text[i] == 'u') {
            for (int digit = 0; digit < 4; ++digit) {
                if (++i >= text.size() || !std::isxdigit(static_cast<unsigned char>(text[i])))
                    return 0;
            }
        } else if (std::string_view("\"\\/bfnrt").find(text[i]) == std::string_view::npos) {
            return 0;
        }
    }
    return 0;
}

// The shortest text that reads back as value, in plain decimal notation; a coordinate shows
// ".0" on a whole number.
std::string ShortestForm(double value, bool coordinate) {
    char buffer[400];
    const auto [end, error] =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
    std::string text(buffer, error == std::errc{} ? end : buffer);
    if (coordinate && text.find('.') == std::string::npos) text += ".0";
    return text;
}

// Takes line apart by its kind's fields; an empty problem means it is well formed.
ParsedOp ParseOp(std::string_view line, std::string& problem) {
    ParsedOp op;
    const std::size_t kindEnd = std::min(line.find(' '), line.size());
    const std::string_view kind = line.substr(0, kindEnd);
    const std::string_view fields = FieldsOf(kind);
    if (fields == "?") {
        problem = "unknown kind";
        return op;
    }
    op.exactWords.emplace_back(kind);
    std::string_view rest = line.substr(kindEnd);
    for (const char field : fields) {
        if (rest.size() < 2 || rest[0] != ' ') {
            problem = "too few fields";
            return op;
        }
        rest.remove_prefix(1);
        std::size_t length = field == 's' ? JsonLiteralLength(rest) : rest.find(' ');
        if (field == 's' && length == 0) {
            problem = "not a JSON string: " + std::string(rest);
            return op;
        }
        length = std::min(length, rest.size());
        const std::string word(rest.substr(0, length));
        rest.remove_prefix(length);
        if (field == 's') {
            op.exactWords.push_back(word);
        } else if (field == 'f') {
            if (word != "filled" && word != "outline") problem = "fill " + word;
            op.exactWords.push_back(word);
        } else {
            double value = 0;
            const auto [end, error] =
                std::from_chars(word.data(), word.data() + word.size(), value);
            if (error != std::errc{} || end != word.data() + word.size()) {
                problem = "not a number: " + word;
            } else if (const std::string form = ShortestForm(value, field == 'c'); form != word) {
                problem = "number " + word + " is not in its shortest exact form " + form;
            }
            op.numbers.push_back(value);
        }
        if (!problem.empty()) return op;
    }
    if (!rest.empty()) problem = "more than its fields: " + std::string(rest);
    return op;
}

// Why the two lines differ, or an empty text when they agree.
std::string LineDifference(const std::string& actual, const std::string& expected,
                           double tolerance) {
    std::string problem;
    const ParsedOp want = ParseOp(expected, problem);
    if (!problem.empty()) return "the expected line is malformed (" + problem + ")";
    const ParsedOp got = ParseOp(actual, problem);
    if (!problem.empty()) return problem;
    if (got.exactWords != want.exactWords || got.numbers.size() != want.numbers.size())
        return "kind or text differs";
    for (std::size_t i = 0; i < got.numbers.size(); ++i) {
        if (!(std::fabs(got.numbers[i] - want.numbers[i]) < tolerance))
            return "number " + std::to_string(i + 1) + " differs";
    }
    return {};
}

}  // namespace

std::vector<OpsCard> SplitOpsCards(const std::string& recording) {
    std::vector<OpsCard> cards;
    std::istringstream in(recording);
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind("card ", 0) == 0) {
            cards.push_back({line, {}});
        } else if (!cards.empty()) {
            cards.back().lines.push_back(line);
        } else {
            cards.push_back({std::string(kBeforeFirstCard), {line}});
        }
    }
    return cards;
}

std::vector<std::string> CardLines(const std::string& recording) {
    std::vector<std::string> lines;
    for (const OpsCard& card : SplitOpsCards(recording))
        if (card.header.starts_with("card ")) lines.push_back(card.header);
    return lines;
}

std::vector<std::string> CompareOps(const std::string& actual, const std::string& expected,
                                    double tolerance) {
    const auto actualCards = SplitOpsCards(actual);
    const auto expectedCards = SplitOpsCards(expected);
    std::vector<std::string> differences;
    if (actualCards.size() != expectedCards.size()) {
        differences.push_back("card count " + std::to_string(actualCards.size()) + ", expected " +
                              std::to_string(expectedCards.size()));
    }
    const std::size_t cards = std::min(actualCards.size(), expectedCards.size());
    for (std::size_t c = 0; c < cards; ++c) {
        const OpsCard& got = actualCards[c];
        const OpsCard& want = expectedCards[c];
        const std::string name = "card " + std::to_string(c + 1) + " " + want.header;
        const std::string headerDifference =
            want.header == kBeforeFirstCard
                ? (got.header == want.header ? "" : "lines before the first card")
                : LineDifference(got.header, want.header, tolerance);
        if (!headerDifference.empty()) {
            differences.push_back(name + ": " + headerDifference + ": got [" + got.header + "]");
            continue;
        }
        const std::size_t lines = std::max(got.lines.size(), want.lines.size());
        for (std::size_t l = 0; l < lines; ++l) {
            const std::string gotLine = l < got.lines.size() ? got.lines[l] : "(nothing)";
            const std::string wantLine = l < want.lines.size() ? want.lines[l] : "(nothing)";
            if (const std::string why = LineDifference(gotLine, wantLine, tolerance);
                !why.empty()) {
                differences.push_back(name + ", line " + std::to_string(l + 1) + ": " + why +
                                      ": got [" + gotLine + "], expected [" + wantLine + "]");
                break;
            }
        }
    }
    return differences;
}

std::string ReadTextFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

}  // namespace velmaro::testing
