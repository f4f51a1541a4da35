#include "store/numeric_value.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

namespace velmaro {
namespace {

TEST(NumericValue, ReadsTheLeadingNumberOfAText) {
    constexpr double kInf = std::numeric_limits<double>::infinity();
    const std::pair<const char*, double> cases[] = {
        {"05193", 5193},  {"-5", -5},    {"&H1F", 31},         {"&h1f", 31},     {"&O17", 15},
        {"&O18", 1},      {"&X12", 0},   {"2.5e-1", 0.25},     {"1D2", 100},     {"1E", 1},
        {"1 E 3", 1000},  {" - 5", -5},  {"\t5 1\n9 3", 5193}, {"1\r2", 1},      {"5193abc", 5193},
        {"12.5.3", 12.5}, {"--5", 0},    {"abc", 0},           {"", 0},          {".5", 0.5},
        {"1E400", kInf},  {"1E-400", 0}, {"0.001E400", kInf},  {"-1E400", -kInf}};
    for (const auto& [text, value] : cases)
        EXPECT_DOUBLE_EQ(NumericValue(text), value) << '"' << text << '"';
    EXPECT_EQ(NumericValue("1" + std::string(400, '0')), kInf);
    EXPECT_EQ(NumericValue("0." + std::string(400, '0') + "1"), 0);  // tiny, not infinite
}

TEST(NumericValue, RoundsHalvesToEvenWithinTheInt32Range) {
    constexpr std::int64_t kNone = -1;  // not representable as a 32-bit integer
    const std::pair<const char*, std::int64_t> cases[] = {
        {"5193.5", 5194},        {"5192.5", 5192},           {"-2.5", -2},
        {"5193.49", 5193},       {"2147483647", 2147483647}, {"-2147483648.5", -2147483648},
        {"2147483647.5", kNone}, {"-3000000000", kNone},     {"1E400", kNone}};
    for (const auto& [text, rounded] : cases)
        EXPECT_EQ(RoundToInt32(NumericValue(text)).value_or(kNone), rounded) << text;
    EXPECT_EQ(RoundToInt32(std::nan("")), std::nullopt);
}

}  // namespace
}  // namespace velmaro
