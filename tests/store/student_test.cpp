#include "store/student.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/store/data_files.h"

namespace velmaro {
namespace {

using ::testing::ElementsAre;

std::vector<std::string> Fields(const StudentFields& f) {
    return {f.StudentRecord, f.SexCode,    f.BirthYearMonth, f.PostalCode,
            f.Province,      f.EnrolYear,  f.DiplomaCode,    f.DiplomaYear,
            f.DiplomaGrade,  f.DegreeDate, f.DegreeGrade,    f.HonoursMark};
}

// The tail: exam and year counts, then the first exam and year record numbers.
std::vector<std::int32_t> Tail(const SplitRecord& s) {
    return {s.ExamRecCount, s.YearRecCount, s.FirstExamRec, s.FirstYearRec};
}

TEST(SplitStudentRecord, FullRecordWithTrailingBlanks) {
    const SplitRecord split =
        SplitStudentRecord(testdata::RegistryText(5193, 3, 12, 120, 45) + "  ");
    EXPECT_THAT(
        Fields(split.fields),
        ElementsAre("05193" + std::string(testdata::kStudentMiddle) + "   0312", "1", "7805",
                    "20100", "MI", "9697", "SC", "9596", "54", "030715", "110  ", "*"));
    EXPECT_THAT(Tail(split), ElementsAre(3, 12, 120, 45));
}

TEST(SplitStudentRecord, ShortRecordsAndOddCounts) {
    const std::string head = "05193" + std::string(testdata::kStudentMiddle) + "   ";
    const std::pair<std::string, std::vector<std::int32_t>> cases[] = {
        // The fields up to part of the enrolment year, then the tail 04 02 00007 00008.
        {"051931780520100MI9604020000700008", {4, 2, 7, 8}},
        // Too short for a tail: every field empty, no records.
        {"", {0, 0, 0, 0}},
        {"  12345678  ", {0, 0, 12345, 45678}},
        // Negative counts read as 0, fractions round half to even.
        {head + "-1-90000100001", {0, 0, 1, 1}},
        {head + ".5.60000100001", {0, 1, 1, 1}},
        {head + "1.9.0000100001", {1, 9, 1, 1}}};
    for (const auto& [text, tail] : cases)
        EXPECT_EQ(Tail(SplitStudentRecord(text)), tail) << text;
    EXPECT_THAT(Fields(SplitStudentRecord(cases[0].first).fields),
                ElementsAre("051931780520100MI960402", "1", "7805", "20100", "MI", "9604", "02", "",
                            "", "", "", ""));
    EXPECT_THAT(Fields(SplitStudentRecord(cases[2].first).fields), ::testing::Each(""));
}

}  // namespace
}  // namespace velmaro
