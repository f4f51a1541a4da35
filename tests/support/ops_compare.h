#pragma once

#include <string>
#include <vector>

namespace velmaro::testing {

// One card of an ops recording: its `card "..."` line and the lines that follow it.
struct OpsCard {
    std::string header;
    std::vector<std::string> lines;
};

// Splits a recording into its cards.
std::vector<OpsCard> SplitOpsCards(const std::string& recording);

// The `card "..."` lines of a recording, in order.
std::vector<std::string> CardLines(const std::string& recording);

// Compares two recordings card by card. Each line must be well formed for its kind (its
// fields separated by single blanks, JSON texts valid, every number in its shortest exact
// form: coordinates with ".0" on whole numbers, the radius without); kinds, texts and fills
// must be identical and numbers equal within tolerance (the last binary digit may depend on
// the order of arithmetic). Returns one message per differing card (naming the card, its
// first differing line and why); empty when they agree.
std::vector<std::string> CompareOps(const std::string& actual, const std::string& expected,
                                    double tolerance = 0.01);

// The content of a file, or an empty string when it cannot be read.
std::string ReadTextFile(const std::string& path);

}  // namespace velmaro::testing
