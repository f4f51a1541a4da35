#include "lookup/lookup_student.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/store/data_files.h"

namespace velmaro {
namespace {

// Three students: 00001 in record 1 (exams 1-3, years 1-2), 05193 (exams 4-5, year 3) and 05194
// without records.
class Lookup : public ::testing::Test {
  protected:
    static DataStore WriteAndLoad(const testdata::TempDataDir& dir) {
        testdata::WriteThreeStudents(dir);
        return std::move(DataStore::LoadTables(dir.DataDir())).value();
    }
    testdata::TempDataDir dir_;
    DataStore store_ = WriteAndLoad(dir_);
};

// Every lookup reads the data files and leaves them byte for byte as they were.
TEST_F(Lookup, TypedTextFindsTheRoundedKeyOrNothing) {
    const auto contents = [this] {
        std::string all;
        for (const char* name :
             {"titoli.grp", "esami.grp", "elenco.dir", "esami.dir", "velmara.dir"})
            all += testdata::FileBytes(dir_.PathOf(name)) + "|";
        return all;
    };
    const std::string before = contents();
    // The found record's first five characters; "" when the search finds nothing, nullptr when
    // the text is no key within 1 ... 5194 and the registry is not read at all.
    const std::pair<const char*, const char*> cases[] = {
        {"abc", nullptr},    {"-5", nullptr}, {"99999999999", nullptr}, {"1E400", nullptr},
        {"5195", nullptr},   {"5192.5", ""},  {"5193.5", "05194"},      {" 5 1 9 3", "05193"},
        {"&H1449", "05193"}, {"1", "00001"},  {"5194", "05194"}};
    for (const auto& [typed, foundKey] : cases) {
        const auto before = store_.Registry().ReadRequests();
        const auto outcome = LookupStudent(store_, typed);
        EXPECT_EQ(store_.Registry().ReadRequests() > before, foundKey != nullptr) << typed;
        const std::string expected = foundKey ? foundKey : "";
        const Student found = outcome->student.value_or(Student{});
        EXPECT_EQ(found.fields.StudentRecord.substr(0, 5), expected) << typed;
        EXPECT_EQ(found.MatrText, expected.empty() ? "" : typed) << typed;
    }
    EXPECT_TRUE(contents() == before);
}

// Exam or year records read from their texts.
template <typename Record>
std::vector<Record> Records(std::initializer_list<const char*> texts) {
    return std::vector<Record>(texts.begin(), texts.end());
}
const auto Exams = Records<ExamRecord>;
const auto Years = Records<YearRecord>;

TEST_F(Lookup, GathersTheRunsAndCountsOfZeroReadNothing) {
    const Student first = *LookupStudent(store_, "1")->student;
    EXPECT_EQ(first.ExamRecs, Exams({"MAT128240915", "FIS125241002", "CHI130241104"}));
    EXPECT_EQ(first.YearRecs, Years({"009697", "009798"}));
    const Student second = *LookupStudent(store_, "5193")->student;  // fewer records
    EXPECT_EQ(second.ExamRecs, Exams({"INF127250110", "ALG131250220"}));
    EXPECT_EQ(second.YearRecs, Years({"009899"}));

    const auto reads = store_.ExamFile().ReadRequests() + store_.YearFile().ReadRequests();
    const Student none = *LookupStudent(store_, "5194")->student;
    EXPECT_EQ(none.NumExams() + none.NumYears(), 0);
    EXPECT_EQ(store_.ExamFile().ReadRequests() + store_.YearFile().ReadRequests(), reads);
}

}  // namespace
}  // namespace velmaro
