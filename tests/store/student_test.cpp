#include "store/student.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "tests/store/data_files.h"

namespace velmaro {
namespace {

using ::testing::ElementsAre;

std::vector<std::string> Fields(const StudentFields& f) {
    return {f.SexCode,    f.BirthYearMonth, f.PostalCode,  f.Province,
            f.EnrolYear,  f.DiplomaCode,    f.DiplomaYear, f.DiplomaGrade,
            f.DegreeDate, f.DegreeGrade,    f.HonoursMark};
}

TEST(SplitStudentRecord, FullRecordWithTrailingBlanks) {
    const SplitRecord split =
        SplitStudentRecord(testdata::RegistryText(5193, 3, 12, 120, 45) + "  ");
    EXPECT_EQ(split.fields.StudentRecord,
              "05193" + std::string(testdata::kStudentMiddle) + "   0312");
    EXPECT_THAT(Fields(split.fields), ElementsAre("1", "7805", "20100", "MI", "9697", "SC", "9596",
                                                  "54", "030715", "110  ", "*"));
    EXPECT_EQ(split.ExamRecCount, 3);
    EXPECT_EQ(split.YearRecCount, 12);
    EXPECT_EQ(split.FirstExamRec, 120);
    EXPECT_EQ(split.FirstYearRec, 45);
}

TEST(SplitStudentRecord, FieldsBeyondAShortRecordAreShortOrEmpty) {
    const SplitRecord split = SplitStudentRecord(
        "051931780520100MI96"
        "0402"
        "0000700008");
    EXPECT_EQ(split.fields.StudentRecord, "051931780520100MI960402");
    EXPECT_THAT(Fields(split.fields),
                ElementsAre("1", "7805", "20100", "MI", "9604", "02", "", "", "", "", ""));
    EXPECT_EQ(split.ExamRecCount, 4);
    EXPECT_EQ(split.YearRecCount, 2);
    EXPECT_EQ(split.FirstExamRec, 7);
    EXPECT_EQ(split.FirstYearRec, 8);
}

TEST(SplitStudentRecord, TextTooShortForATailGivesEmptyFieldsAndNoRecords) {
    const struct {
        const char* text;
        std::int32_t firstExam, firstYear;
    } cases[] = {{"", 0, 0}, {"     ", 0, 0}, {"  12345678  ", 12345, 45678}, {"0000700008", 7, 8}};
    for (const auto& c : cases) {
        const SplitRecord split = SplitStudentRecord(c.text);
        EXPECT_EQ(split.fields.StudentRecord, "") << c.text;
        EXPECT_THAT(Fields(split.fields), ::testing::Each("")) << c.text;
        EXPECT_EQ(split.ExamRecCount + split.YearRecCount, 0) << c.text;
        EXPECT_EQ(split.FirstExamRec, c.firstExam) << c.text;
        EXPECT_EQ(split.FirstYearRec, c.firstYear) << c.text;
    }
}

TEST(SplitStudentRecord, NegativeCountsAreZeroAndFractionsRoundHalfToEven) {
    const struct {
        const char* fields;  // exam count then year count, two characters each
        int exams, years;
    } cases[] = {{"-1-9", 0, 0}, {".5.6", 0, 1}, {"1.9.", 1, 9},
                 {" 77 ", 7, 7}, {"ab1a", 0, 1}, {"9900", 99, 0}};
    for (const auto& c : cases) {
        const SplitRecord split = SplitStudentRecord(
            "05193" + std::string(testdata::kStudentMiddle) + "   " + c.fields + "0000100001");
        EXPECT_EQ(split.ExamRecCount, c.exams) << c.fields;
        EXPECT_EQ(split.YearRecCount, c.years) << c.fields;
    }
}

TEST(GatherRecords, PrefixesEachRecordAndReadsNothingForACountOfZero) {
    const testdata::TempDataDir dir;
    dir.Write("esami.dir",
              testdata::Slots({"MAT128240915", "FIS125241002", "CHI1"}, kExamSlotSize));
    auto file =
        RecordFile::Open(dir.PathOf("esami.dir"), kExamSlotSize, RecordFile::IfMissing::kFail);
    ASSERT_TRUE(file.ok());
    EXPECT_THAT(*GatherRecords(*file, 2, 2), ElementsAre("", "0000FIS125241002", "0000CHI1"));
    // Records outside the file read as empty texts: their elements are the bare prefix.
    EXPECT_THAT(*GatherRecords(*file, 0, 2), ElementsAre("", "0000", "0000MAT128240915"));
    EXPECT_THAT(*GatherRecords(*file, 3, 2), ElementsAre("", "0000CHI1", "0000"));

    const auto before = file->ReadRequests();
    EXPECT_THAT(*GatherRecords(*file, 1, 0), ElementsAre(""));
    EXPECT_EQ(file->ReadRequests(), before);

    file->Close();
    const auto closed = GatherRecords(*file, 1, 2);
    ASSERT_FALSE(closed.ok());
    EXPECT_EQ(closed.error().file, dir.PathOf("esami.dir"));
}

}  // namespace
}  // namespace velmaro
