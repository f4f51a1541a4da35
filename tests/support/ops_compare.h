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

// Compares two recordings card by card: lines must have the same words, numbers equal
// within tolerance and everything else identical. Returns one message per differing card
// (naming the card and its first differing line); empty when they agree.
std::vector<std::string> CompareOps(const std::string& actual, const std::string& expected,
                                    double tolerance = 0.01);

// The content of a file, or an empty string when it cannot be read.
std::string ReadTextFile(const std::string& path);

}  // namespace velmaro::testing
