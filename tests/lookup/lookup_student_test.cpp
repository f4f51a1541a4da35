#include "lookup/lookup_student.h"

#include <gtest/gtest.h>

#include "tests/store/data_files.h"

namespace velmaro {
namespace {

// Three students: 00001 in record 1 (exams 1-3, years 1-2), 05193 (exams 4-5, year 3) and
// 05194 without records. Every lookup reads the data files and leaves them byte for byte as
// they were.
TEST(Lookup, TypedTextFindsTheRoundedKeyOrNothingAndReadsOnlyWhatItNeeds) {
    const testdata::TempDataDir dir;
    testdata::WriteThreeStudents(dir);
    const DataStore store = std::move(DataStore::LoadTables(dir.DataDir())).value();
    const auto contents = [&] {
        std::string all;
        for (const char* name :
             {"titoli.grp", "esami.grp", "elenco.dir", "esami.dir", "velmara.dir"})
            all += testdata::FileBytes(dir.PathOf(name)) + "|";
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
        const auto before = store.Registry().ReadRequests();
        const auto outcome = LookupStudent(store, typed);
        EXPECT_EQ(store.Registry().ReadRequests() > before, foundKey != nullptr) << typed;
        const std::string expected = foundKey ? foundKey : "";
        const Student found = outcome->student.value_or(Student{});
        EXPECT_EQ(found.fields.StudentRecord.substr(0, 5), expected) << typed;
        EXPECT_EQ(found.MatrText, expected.empty() ? "" : typed) << typed;
    }
    EXPECT_TRUE(contents() == before);

    // A student whose counts are zero reads no exam or year record. (That the runs of the
    // others are gathered whole is checked card by card by WorkedExample, and for exams by
    // FaultsMidRun.)
    const auto reads = store.ExamFile().ReadRequests() + store.YearFile().ReadRequests();
    const Student none = *LookupStudent(store, "5194")->student;
    EXPECT_EQ(none.NumExams() + none.NumYears(), 0);
    EXPECT_EQ(store.ExamFile().ReadRequests() + store.YearFile().ReadRequests(), reads);
}

// A run whose start is no 32-bit number ("3E+09", "-3E09") names no record: each of its
// records reads as empty, as one outside the file does, and nothing is read for it (taken as
// record 0, the run 0-1 showed record 1, another student's exam).
TEST(Lookup, ARunStartingBeyondThirtyTwoBitsReadsAsEmptyRecords) {
    const testdata::TempDataDir dir;
    testdata::WriteThreeStudents(dir);
    std::string beyond = testdata::RegistryText(5194, 2, 1);
    beyond.replace(48, 10, "3E+09-3E09");
    dir.Write("elenco.dir",
              testdata::Slots({testdata::RegistryText(1, 3, 2, 1, 1), beyond}, kRegistrySlotSize));
    const DataStore store = std::move(DataStore::LoadTables(dir.DataDir())).value();
    const auto reads = store.ExamFile().ReadRequests() + store.YearFile().ReadRequests();
    const Student student = *LookupStudent(store, "5194")->student;
    EXPECT_EQ(student.ExamRecs, (std::vector<ExamRecord>(2)));
    EXPECT_EQ(student.YearRecs, (std::vector<YearRecord>(1)));
    EXPECT_EQ(store.ExamFile().ReadRequests() + store.YearFile().ReadRequests(), reads);
}

}  // namespace
}  // namespace velmaro
