// Reading a student from texts: the numbers in typed and stored texts, then the fields of a
// registry record and of its exam and year records.

#include "store/student.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <limits>

#include "base/numeric_value.h"
#include "tests/store/data_files.h"

namespace velmaro {
namespace {

using ::testing::ElementsAre;

TEST(NumericValue, ReadsTheLeadingNumberOfAText) {
    constexpr double kInf = std::numeric_limits<double>::infinity();
    const std::pair<const char*, double> cases[] = {
        {"05193", 5193},  {"-5", -5},    {"&H1F", 31},         {"&h1f", 31},      {"&O17", 15},
        {"&O18", 1},      {"&X12", 0},   {"2.5e-1", 0.25},     {"1D2", 100},      {"1E", 1},
        {"1 E 3", 1000},  {" - 5", -5},  {"\t5 1\n9 3", 5193}, {"1\r2", 1},       {"5193abc", 5193},
        {"12.5.3", 12.5}, {"--5", 0},    {"abc", 0},           {"", 0},           {".5", 0.5},
        {"1E400", kInf},  {"1E-400", 0}, {"0.001E400", kInf},  {"-1E400", -kInf}, {"+5", 5},
        {" + 5", 5}};
    for (const auto& [text, value] : cases)
        EXPECT_DOUBLE_EQ(NumericValue(text), value) << '"' << text << '"';
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

std::vector<std::string> Fields(const StudentFields& f) {
    return {f.StudentRecord, f.SexCode,    f.BirthYearMonth, f.PostalCode,
            f.Province,      f.EnrolYear,  f.DiplomaCode,    f.DiplomaYear,
            f.DiplomaGrade,  f.DegreeDate, f.DegreeGrade,    f.HonoursMark};
}

// The tail: exam and year counts, then the first exam and year record numbers.
// A start that is no 32-bit number as -1.
std::vector<std::int32_t> Tail(const SplitRecord& s) {
    return {s.ExamRecCount, s.YearRecCount, s.FirstExamRec.value_or(-1),
            s.FirstYearRec.value_or(-1)};
}

TEST(SplitStudentRecord, FullShortAndOddRecords) {
    const std::string head = "05193" + std::string(testdata::kStudentMiddle) + "   ";
    // A full record with trailing blanks; one cut inside the enrolment year, then its tail
    // 04 02 00007 00008; two texts too short for a tail (no records); counts that are negative
    // (read as 0) or fractional (rounded half to even); starts beyond 32 bits (none).
    const std::pair<std::string, std::vector<std::int32_t>> cases[] = {
        {testdata::RegistryText(5193, 3, 12, 120, 45) + "  ", {3, 12, 120, 45}},
        {"051931780520100MI9604020000700008", {4, 2, 7, 8}},
        {"", {0, 0, 0, 0}},
        {"  12345678  ", {0, 0, 12345, 45678}},
        {head + "-1-90000100001", {0, 0, 1, 1}},
        {head + ".5.60000100001", {0, 1, 1, 1}},
        {head + "1.9.0000100001", {1, 9, 1, 1}},
        {head + "02013E+09 1E99", {2, 1, -1, -1}}};
    for (const auto& [text, tail] : cases)
        EXPECT_EQ(Tail(SplitStudentRecord(text)), tail) << text;
    EXPECT_THAT(Fields(SplitStudentRecord(cases[0].first).fields),
                ElementsAre(head + "0312", "1", "7805", "20100", "MI", "9697", "SC", "9596", "54",
                            "030715", "110  ", "*"));
    EXPECT_THAT(Fields(SplitStudentRecord(cases[1].first).fields),
                ElementsAre("051931780520100MI960402", "1", "7805", "20100", "MI", "9604", "02", "",
                            "", "", "", ""));
    EXPECT_THAT(Fields(SplitStudentRecord(cases[3].first).fields), ::testing::Each(""));
}

TEST(CareerRecords, FieldsByPositionAndTheExamDateWhenItIsOne) {
    using namespace std::chrono;
    struct Case {
        const char* text;
        std::vector<std::string> fields;  // code, grade, year, month, day
        std::optional<sys_days> date;
    };
    const Case cases[] = {
        {"MAT128980625XYZ", {"MAT1", "28", "98", "06", "25"}, sys_days{1998y / 6 / 25}},
        {"MAT131000229", {"MAT1", "31", "00", "02", "29"}, sys_days{2000y / 2 / 29}},
        {"MAT130290101", {"MAT1", "30", "29", "01", "01"}, sys_days{2029y / 1 / 1}},
        {"MAT130300101", {"MAT1", "30", "30", "01", "01"}, sys_days{1930y / 1 / 1}},
        {"MAT1279901015", {"MAT1", "27", "99", "01", "01"}, sys_days{1999y / 1 / 1}},
        {"MAT1279906", {"MAT1", "27", "99", "06", ""}, std::nullopt},  // no day
        // Cut short within the day: the one digit left is the day.
        {"MAT12799063", {"MAT1", "27", "99", "06", "3"}, sys_days{1999y / 6 / 3}},
        {"MAT1279902300", {"MAT1", "27", "99", "02", "30"}, std::nullopt},
        {"MAT127990600", {"MAT1", "27", "99", "06", "00"}, std::nullopt},
        {"MAT12799 6 1", {"MAT1", "27", "99", " 6", " 1"}, std::nullopt},
        {"MA", {"MA", "", "", "", ""}, std::nullopt}};
    for (const Case& c : cases) {
        const ExamRecord exam = ParseExamRecord(c.text);
        EXPECT_EQ((std::vector<std::string>{exam.code.str(), exam.grade.str(), exam.year.str(),
                                            exam.month.str(), exam.day.str()}),
                  c.fields)
            << c.text;
        EXPECT_EQ(exam.date, c.date) << c.text;
    }
    EXPECT_EQ(ParseYearRecord("009697").year, "96");
    EXPECT_EQ(ParseYearRecord("009").year, "9");
    EXPECT_EQ(ParseYearRecord("").year, "");
}

}  // namespace
}  // namespace velmaro
