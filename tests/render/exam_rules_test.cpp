// The exam rows' rules: class of a group code, how the two averages are formatted, and how
// rows that would overlap beside the chart are spread apart. How each grade is shown and
// weighed, and how rows of several lines are spread above the header's floor, are pinned by
// the worked example, whose data holds each of those cases.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "base/civil_date.h"
#include "render/average_format.h"
#include "render/classify_exam.h"
#include "render/exam_list.h"
#include "render/exam_row.h"
#include "render/spread_labels.h"

namespace velmaro {
namespace {

// The class of a group code: beyond the codes a rule names, the aliases EB and MS, every code
// beginning with "L", and any other code (small letters, blanks, one character, a longer one) in
// class 4. The class of a table entry: rounded half to even; outside the table the group code is
// empty, class 4. An exam whose name holds "(MOD" is a module and weighs half, however the name
// goes on.
TEST(ExamRows, ClassOfGroupAndOfEntryAndTheWeightOfAModule) {
    const std::pair<const char*, int> cases[] = {
        {"00", 0}, {"A1", 1}, {"SM", 3}, {"EB", 2}, {"MS", 2}, {"LL", 1}, {"L", 1},   {"L ", 1},
        {"CF", 4}, {"", 4},   {"a1", 4}, {"ll", 4}, {"A", 4},  {" 0", 4}, {"EBX", 4}, {" L", 4}};
    for (const auto& [group, examClass] : cases)
        EXPECT_EQ(ClassOfGroup(group), examClass) << '"' << group << '"';
    const CodeTable table = BuildCodeTable({"00 X000 Esame", "A2 X001 Altro"}, kExamTableLayout);
    // An unknown code's entry, 0.8, is entry 1.
    for (const auto& [entry, examClass] :
         {std::pair{table.EntryOf("NONE"), 0}, {1.5, 2}, {2.5, 2}, {3.0, 4}, {0.4, 4}})
        EXPECT_EQ(ClassifyExam(table, entry), examClass) << entry;
    const CodeTable fisica =
        BuildCodeTable({"A1 X000 Fisica (MODULO B)", "A1 X001 Fisica (MOD. 1)", "A1 X002 Fisica"},
                       kExamTableLayout);
    for (const auto& [record, weight] :
         {std::pair{"X00028960210", 0.5}, {"X00128960210", 0.5}, {"X00228960210", 1.0}})
        EXPECT_EQ(ReadExamRow(ExamRecord(std::string(record)), fisica).ExamWeight, weight)
            << record;
}

// The day count is the standard calendar's on month ends and leap days of every four-digit
// year, in both written forms; dates that do not exist are none. (Two-digit years are read
// as the exam records' dates are.)
TEST(ParseMonthDayYear, AgreesWithTheStandardCalendar) {
    using namespace std::chrono;
    for (const char* text : {"11/01/", "1a/01/98", "11/01/998"})
        EXPECT_FALSE(ParseMonthDayYear(text).has_value()) << text;
    for (int y = 0; y <= 9999; ++y) {
        for (unsigned m = 0; m <= 13; ++m) {
            for (const unsigned d : {1u, 28u, 29u, 30u, 31u, 32u}) {
                const year_month_day date{year{y}, month{m}, day{d}};
                char slashed[16], iso[16];
                std::snprintf(slashed, sizeof slashed, "%02u/%02u/%04d", m, d, y);
                std::snprintf(iso, sizeof iso, "%04d-%02u-%02u", y, m, d);
                const auto expected =
                    date.ok() ? std::optional<sys_days>(sys_days{date}) : std::nullopt;
                ASSERT_EQ(ParseMonthDayYear(slashed), expected) << slashed;
                ASSERT_EQ(ParseIsoDate(iso) == date, date.ok()) << iso;
            }
        }
    }
}

// Averages are rounded half away from zero and always show their separator. Whose exact value
// ends in a half on the 110-point scale: 13 × 27 + 27 × 26 over 40 exams is 26.325, 96.525 on
// 110, and a module halves the weights without changing either.
TEST(AverageFormats, RoundHalvesAwayFromZeroAndAlwaysShowTheSeparator) {
    // The value, the separator, the value as "##.##" and as "###.00".
    for (const auto& [value, separator, optionalDecimals, twoDecimals] :
         std::vector<std::tuple<double, const char*, const char*, const char*>>{
             {29.2 / 30 * 110, ".", "107.07", "107.07"},
             {0.125, ".", ".13", ".13"},
             {9.995, ".", "10.", "10.00"},
             {29.2, ",", "29,2", "29,20"},
             {0, ",", ",", ",00"}}) {
        EXPECT_EQ(FormatTwoOptionalDecimals(value, separator), optionalDecimals) << value;
        EXPECT_EQ(FormatTwoDecimals(value, separator), twoDecimals) << value;
    }
    for (const double weight : {1.0, 0.5}) {
        GradeAverage average;
        for (int i = 0; i < 40; ++i) {
            ExamRow row;
            row.GradeValue = i < 13 ? 27 : 26;
            row.ExamWeight = weight;
            average.Add(row);
        }
        EXPECT_EQ(FormatTwoOptionalDecimals(average.Average30(), "."), "26.33");
        EXPECT_EQ(FormatTwoDecimals(average.Average110(), "."), "96.53");
    }
    // Every sum of whole grades over 20 or 40 weights: the 110 average's exact value rounded
    // half up, computed in integers.
    for (const int weights : {20, 40}) {
        for (int sum = 18 * weights; sum <= 30 * weights; ++sum) {
            const GradeAverage average{static_cast<double>(sum), static_cast<double>(weights)};
            const long hundredths = (sum * 110L * 100 * 2 / (weights * 30) + 1) / 2;
            char expected[32];
            std::snprintf(expected, sizeof expected, "%ld.%02ld", hundredths / 100,
                          hundredths % 100);
            EXPECT_EQ(FormatTwoDecimals(average.Average110(), "."), expected) << sum;
        }
    }
    // Nothing that weighs (no exam, or passes without a mark only): both are 0, not 0 / 0.
    const GradeAverage nothing;
    EXPECT_EQ(FormatTwoOptionalDecimals(nothing.Average30(), "."), ".");
    EXPECT_EQ(FormatTwoDecimals(nothing.Average110(), "."), ".00");
}

TEST(SpreadLabels, StacksEveryClusterAroundItsMidpoint) {
    // The row height, the desired and the spread centres of rows 1 ... N (element 0 of the
    // desired ones is unused).
    for (const auto& [h, desired, expected] :
         std::vector<std::tuple<double, std::vector<double>, std::vector<double>>>{
             // Rows 1-2 merge (height 40 about 0), that cluster then reaches row 3 (20 > 8):
             // height 60 about (0 + 18) / 2 = 9, centres -11, 9, 29; row 4 stays apart.
             {20, {0, 0, 0, 18, 100}, {-11, 9, 29, 100}},
             // Rows 1-2 span -20 ... 20 and row 3 20 ... 40: touching, so all three merge into
             // height 60 about (0 + 30) / 2 = 15 (not -10, 10, 30).
             {20, {0, 0, 0, 30}, {-5, 15, 35}},
             {200, {0, 1000, 1000, 1000}, {800, 1000, 1200}},
             // Row 2 above row 1 collides; the midpoint (100 + 50) / 2 = 75 in index order.
             {20, {0, 100, 50}, {65, 85}},
             // Nothing bounds the spread: the first row goes far above its desired 0.
             {200, {0, 0, 0, 0, 0, 0}, {-400, -200, 0, 200, 400}},
             // Rows 3-5 grow to 20 ... 80, which then touches rows 1-2 (-20 ... 20): rows 1-5
             // height 100 about (0 + 60) / 2 = 30.
             {20, {0, 0, 0, 40, 50, 60}, {-10, 10, 30, 50, 70}}}) {
        const std::vector<double> centres =
            SpreadLabels(desired, std::vector<int>(desired.size(), 1), h);
        ASSERT_EQ(centres.size(), desired.size());
        EXPECT_THAT(std::vector<double>(centres.begin() + 1, centres.end()),
                    ::testing::Pointwise(::testing::DoubleEq(), expected))
            << "h " << h << ", row 1 at " << desired[1];
    }
}

}  // namespace
}  // namespace velmaro
