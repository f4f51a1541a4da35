#include "store/numeric_value.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <limits>
#include <optional>
#include <string>

namespace velmaro {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

TEST(NumericValue, ReadsTheLeadingNumberOfAText) {
    const std::pair<const char*, double> cases[] = {
        {"5193", 5193},     {"05193", 5193}, {"+7", 7},         {"-5", -5},        {"&H1F", 31},
        {"&h1f", 31},       {"&O17", 15},    {"&O18", 1},       {"&H", 0},         {"&X12", 0},
        {"1E3", 1000},      {"1D2", 100},    {"2.5e-1", 0.25},  {"1e+2", 100},     {"1E", 1},
        {"1E-", 1},         {"1 2 3", 123},  {"\t1\n2 3", 123}, {" - 5", -5},      {"1 E 3", 1000},
        {"1\r2", 1},        {"abc", 0},      {"a5", 0},         {"5193abc", 5193}, {"12.5.3", 12.5},
        {"7-3", 7},         {"--5", 0},      {"", 0},           {".5", 0.5},       {"5.", 5},
        {".", 0},           {"-", 0},        {"1E400", kInf},   {"-1E400", -kInf}, {"1E-400", 0},
        {"0.001E400", kInf}};
    for (const auto& [text, value] : cases) {
        EXPECT_DOUBLE_EQ(NumericValue(text), value) << '"' << text << '"';
    }
    const std::string zeros(400, '0');
    EXPECT_EQ(NumericValue("1" + zeros), kInf);
    EXPECT_EQ(NumericValue("0." + zeros + "1"), 0);  // underflows: tiny, not infinite
    EXPECT_EQ(NumericValue(zeros + "42"), 42);
}

TEST(NumericValue, RoundsHalvesToEvenWithinTheInt32Range) {
    const struct {
        std::string text;
        std::optional<std::int32_t> rounded;
    } cases[] = {{"5193.5", 5194},
                 {"5192.5", 5192},
                 {"0.5", 0},
                 {"1.5", 2},
                 {"-2.5", -2},
                 {"5193.49", 5193},
                 {"2147483647", 2147483647},
                 {"-2147483648.5", -2147483647 - 1},
                 {"2147483647.5", std::nullopt},
                 {"3000000000", std::nullopt},
                 {"-3000000000", std::nullopt},
                 {"1E400", std::nullopt},
                 {"-1E400", std::nullopt}};
    for (const auto& c : cases)
        EXPECT_EQ(RoundToInt32(NumericValue(c.text)), c.rounded) << c.text;
    EXPECT_EQ(RoundToInt32(std::nan("")), std::nullopt);
}

// Restores the numeric locale however the test ends.
class NumericLocale {
  public:
    NumericLocale() : previous_(std::setlocale(LC_NUMERIC, nullptr)) {}
    ~NumericLocale() { std::setlocale(LC_NUMERIC, previous_.c_str()); }

  private:
    std::string previous_;
};

TEST(NumericValue, DecimalPointDoesNotDependOnTheLocale) {
    const NumericLocale restore;
    if (!std::setlocale(LC_NUMERIC, "it_IT.UTF-8")) GTEST_SKIP() << "no it_IT.UTF-8 locale";
    ASSERT_STREQ(std::localeconv()->decimal_point, ",");
    EXPECT_DOUBLE_EQ(NumericValue("2.5"), 2.5);
    EXPECT_DOUBLE_EQ(NumericValue("2,5"), 2);
    EXPECT_EQ(RoundToInt32(NumericValue("5192.5")), 5192);
}

}  // namespace
}  // namespace velmaro
