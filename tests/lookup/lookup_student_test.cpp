#include "lookup/lookup_student.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "tests/store/data_files.h"

namespace velmaro {
namespace {

using testdata::RegistryText;
using testdata::Slots;
using ::testing::ElementsAre;

const char* const kDataFiles[] = {"titoli.grp", "esami.grp", "elenco.dir", "esami.dir",
                                  "velmara.dir"};

// Four students: 00001 in record 1 (exams 1-3, years 1-2), 05193 (exams 4-5, year 3), 05194
// without records (its start numbers point far past the files), 07000 (exam 6, no year).
class Lookup : public ::testing::Test {
  protected:
    Lookup() {
        dir_.Write("titoli.grp", "1 SC Liceo scientifico\r\n");
        dir_.Write("esami.grp", "A1 MAT1 Analisi\r\nA1 FIS1 Fisica\r\n");
        dir_.Write("elenco.dir", Slots({RegistryText(1, 3, 2, 1, 1), RegistryText(5193, 2, 1, 4, 3),
                                        RegistryText(5194, 0, 0, 99999, 99999),
                                        RegistryText(7000, 1, 0, 6, 0) + "  "},
                                       62));
        dir_.Write("esami.dir", Slots({"MAT128240915", "FIS125241002", "CHI130241104",
                                       "INF127250110", "ALG131250220", "GEO130260330"},
                                      17));
        dir_.Write("velmara.dir", Slots({"009697", "009798", "009899"}, 16));
        for (const char* name : kDataFiles)
            before_[name] = testdata::Snapshot(dir_.PathOf(name));
    }

    DataStore Load() {
        auto store = DataStore::LoadTables(dir_.DataDir());
        if (!store) throw std::runtime_error(store.error().Message());
        return std::move(*store);
    }

    testdata::TempDataDir dir_;
    std::map<std::string, testdata::FileSnapshot> before_;
};

TEST_F(Lookup, TypedTextFindsTheRoundedKeyOrNothing) {
    const DataStore store = Load();
    const struct {
        const char* typed;
        const char* foundKey;  // the found record's first five characters; "" when not found
        bool readsRegistry;    // false when the text is no key within 1 ... 7000
    } cases[] = {{"", "", false},           {"abc", "", false},
                 {"-5", "", false},         {"99999999999", "", false},
                 {"1E400", "", false},      {"7001", "", false},
                 {"5192.5", "", true},      {"5193abc", "05193", true},
                 {"5193.5", "05194", true}, {" 5 1 9 3", "05193", true},
                 {"&H1449", "05193", true}, {"1", "00001", true},
                 {"7000", "07000", true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        const auto before = store.Registry().ReadRequests();
        const auto outcome = LookupStudent(store, c.typed);
        ASSERT_TRUE(outcome.ok()) << outcome.error().Message();
        EXPECT_EQ(store.Registry().ReadRequests() > before, c.readsRegistry);
        ASSERT_EQ(outcome->student.has_value(), *c.foundKey != '\0');
        if (!outcome->student) continue;
        EXPECT_EQ(outcome->student->MatrText, c.typed);
        EXPECT_EQ(outcome->student->fields.StudentRecord.substr(0, 5), c.foundKey);
    }
}

TEST_F(Lookup, GathersTheRunsAndANewStudentReplacesThem) {
    const DataStore store = Load();
    const Student first = *LookupStudent(store, "1")->student;
    EXPECT_EQ(first.NumExams, 3);
    EXPECT_EQ(first.NumYears, 2);
    EXPECT_THAT(first.ExamRecs,
                ElementsAre("", "0000MAT128240915", "0000FIS125241002", "0000CHI130241104"));
    EXPECT_THAT(first.YearRecs, ElementsAre("", "0000009697", "0000009798"));

    const Student second = *LookupStudent(store, "5193")->student;
    EXPECT_EQ(second.NumExams, 2);
    EXPECT_THAT(second.ExamRecs, ElementsAre("", "0000INF127250110", "0000ALG131250220"));
    EXPECT_THAT(second.YearRecs, ElementsAre("", "0000009899"));
}

TEST_F(Lookup, CountsOfZeroReadNothingFromThatFile) {
    const DataStore store = Load();
    const Student none = *LookupStudent(store, "5194")->student;
    EXPECT_THAT(none.ExamRecs, ElementsAre(""));
    EXPECT_THAT(none.YearRecs, ElementsAre(""));
    const Student examsOnly = *LookupStudent(store, "7000")->student;
    EXPECT_THAT(examsOnly.ExamRecs, ElementsAre("", "0000GEO130260330"));
    EXPECT_THAT(examsOnly.YearRecs, ElementsAre(""));
    EXPECT_EQ(store.ExamFile().ReadRequests(), 1u);
    EXPECT_EQ(store.YearFile().ReadRequests(), 0u);
}

TEST_F(Lookup, ClosedFilesGiveAnErrorNamingTheFile) {
    DataStore store = Load();
    store.CloseFiles();
    const auto outcome = LookupStudent(store, "5193");
    ASSERT_FALSE(outcome.ok());
    EXPECT_EQ(outcome.error().file, dir_.PathOf("elenco.dir"));
    EXPECT_FALSE(LookupStudent(store, "abc")->student.has_value());  // no read, no error
}

TEST_F(Lookup, DataFilesAreNeverWritten) {
    {
        DataStore store = Load();
        for (int round = 0; round < 50; ++round) {
            for (const char* typed : {"1", "5193", "5194", "7000", "4000", "x"}) {
                ASSERT_TRUE(LookupStudent(store, typed).ok());
            }
        }
        store.CloseFiles();
    }
    for (const char* name : kDataFiles) {
        EXPECT_TRUE(testdata::Snapshot(dir_.PathOf(name)) == before_[name]) << name;
    }
}

}  // namespace
}  // namespace velmaro
