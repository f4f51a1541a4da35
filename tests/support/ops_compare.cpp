#include "tests/support/ops_compare.h"

#include <charconv>
#include <cmath>
#include <fstream>
#include <sstream>

namespace velmaro::testing {
namespace {

// The words of an ops line; a JSON string literal stays one word.
std::vector<std::string> Words(const std::string& line) {
    std::vector<std::string> words;
    std::size_t i = 0;
    while (i < line.size()) {
        if (line[i] == ' ') {
            ++i;
            continue;
        }
        std::size_t end = i;
        if (line[i] == '"') {
            ++end;
            while (end < line.size() && line[end] != '"')
                end += line[end] == '\\' ? 2 : 1;
            ++end;
        } else {
            while (end < line.size() && line[end] != ' ')
                ++end;
        }
        words.push_back(line.substr(i, end - i));
        i = end;
    }
    return words;
}

bool AsNumber(const std::string& word, double& value) {
    const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), value);
    return error == std::errc{} && end == word.data() + word.size();
}

bool LinesAgree(const std::string& a, const std::string& b, double tolerance) {
    const auto wordsA = Words(a);
    const auto wordsB = Words(b);
    if (wordsA.size() != wordsB.size()) return false;
    for (std::size_t i = 0; i < wordsA.size(); ++i) {
        double x = 0;
        double y = 0;
        if (AsNumber(wordsA[i], x) && AsNumber(wordsB[i], y)) {
            if (!(std::fabs(x - y) < tolerance)) return false;
        } else if (wordsA[i] != wordsB[i]) {
            return false;
        }
    }
    return true;
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
            cards.push_back({"(before the first card)", {line}});
        }
    }
    return cards;
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
        if (got.header != want.header) {
            differences.push_back(name + ": header " + got.header);
            continue;
        }
        const std::size_t lines = std::max(got.lines.size(), want.lines.size());
        for (std::size_t l = 0; l < lines; ++l) {
            const std::string gotLine = l < got.lines.size() ? got.lines[l] : "(nothing)";
            const std::string wantLine = l < want.lines.size() ? want.lines[l] : "(nothing)";
            if (!LinesAgree(gotLine, wantLine, tolerance)) {
                differences.push_back(name + ", line " + std::to_string(l + 1) + ": got [" +
                                      gotLine + "], expected [" + wantLine + "]");
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
