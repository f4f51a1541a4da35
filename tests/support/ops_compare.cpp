#include "tests/support/ops_compare.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <fstream>
#include <iterator>
#include <map>
#include <regex>
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

// The fields after each kind (c a coordinate, r a radius, s a JSON string, f "filled" or
// "outline"), and the pattern of its whole line: the fields separated by single blanks.
const std::map<std::string, std::pair<std::string, std::regex>>& KindForms() {
    static const auto forms = [] {
        const std::pair<std::string, std::string> kinds[] = {
            {"card", "s"}, {"notfound", ""}, {"text", "ccs"}, {"line", "cccc"}, {"circle", "ccrf"}};
        const std::string json = R"(("(?:[^"\\\x00-\x1f]|\\["\\/bfnrt]|\\u[0-9A-Fa-f]{4})*"))";
        std::map<std::string, std::pair<std::string, std::regex>> made;
        for (const auto& [kind, fields] : kinds) {
            std::string pattern = kind;
            for (const char field : fields)
                pattern += field == 's'   ? " " + json
                           : field == 'f' ? " (filled|outline)"
                                          : " ([^ ]+)";
            made[kind] = {fields, std::regex(pattern)};
        }
        return made;
    }();
    return forms;
}

// Takes line apart by its kind's fields; an empty problem means it is well formed. A number
// must be in its shortest exact form.
ParsedOp ParseOp(const std::string& line, std::string& problem) {
    ParsedOp op;
    const auto form = KindForms().find(line.substr(0, line.find(' ')));
    std::smatch match;
    if (form == KindForms().end() || !std::regex_match(line, match, form->second.second)) {
        problem = "malformed";
        return op;
    }
    op.exactWords.push_back(form->first);
    for (std::size_t i = 0; i < form->second.first.size(); ++i) {
        const char field = form->second.first[i];
        const std::string word = match[i + 1];
        if (field == 's' || field == 'f') {
            op.exactWords.push_back(word);
            continue;
        }
        double value = 0;
        const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), value);
        if (const std::string shortest = ShortestForm(value, field == 'c');
            error != std::errc{} || end != word.data() + word.size() || shortest != word)
            problem = "number " + word + " is not in its shortest exact form " + shortest;
        op.numbers.push_back(value);
    }
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
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace velmaro::testing
