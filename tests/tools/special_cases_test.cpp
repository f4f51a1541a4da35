#include "tools/special_cases.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>

#include "lookup/lookup_student.h"
#include "store/data_store.h"
#include "store/registry_search.h"
#include "tests/tools/temp_folder.h"
#include "tools/sample_data.h"

namespace velmaro::sample {
namespace {

// Pieces of an element of ExamRecs / YearRecs, which carry the 4-character prefix.
std::string CodeOf(const Student& s, int i) { return s.ExamRecs.at(i).substr(4, 4); }
std::string MarkOf(const Student& s, int i) { return s.ExamRecs.at(i).substr(8, 2); }
std::string DateOf(const Student& s, int i) { return s.ExamRecs.at(i).substr(10, 6); }
std::string LastCareerYear(const Student& s) { return s.YearRecs.back().substr(6, 2); }
bool Graduated(const Student& s) { return s.fields.DegreeDate != "000000"; }

using Check = std::function<void(const Student&, const DataStore&)>;

// What each special case of the sample must show, so that the list given to testers is true.
std::map<std::int32_t, Check> Checks() {
    return {
        {4,
         [](const Student& s, const DataStore& store) {
             EXPECT_EQ(RecordKey(*store.Registry().ReadRecord(1)), 4);
             EXPECT_TRUE(Graduated(s));
         }},
        {50, [](const Student& s, const DataStore&) { EXPECT_EQ(s.fields.EnrolYear, "8586"); }},
        {123,
         [](const Student& s, const DataStore& store) {
             const auto found = SearchRegistry(store.Registry(), store.RegistryCount(),
                                               store.LastRegistryKey(), 123);
             ASSERT_TRUE(found.ok());
             EXPECT_EQ(found->record.size(), 60U);
             EXPECT_EQ(found->record.substr(58), "  ");
             EXPECT_EQ(s.NumExams, 20);  // the tail is read correctly despite the blanks
         }},
        {250, [](const Student& s, const DataStore&) { EXPECT_EQ(s.fields.SexCode, "0"); }},
        {251, [](const Student& s, const DataStore&) { EXPECT_EQ(s.fields.SexCode, " "); }},
        {600,
         [](const Student& s, const DataStore& store) {
             EXPECT_EQ(s.fields.DiplomaCode, "99");
             EXPECT_LT(store.Titles().EntryOf("99"), 1);  // absent from the table
         }},
        {777,
         [](const Student& s, const DataStore&) {
             EXPECT_FALSE(Graduated(s));
             EXPECT_EQ(s.NumExams, 16);
             EXPECT_EQ(LastCareerYear(s), "01");
         }},
        {778,
         [](const Student& s, const DataStore&) {
             EXPECT_FALSE(Graduated(s));
             EXPECT_EQ(s.NumExams, 15);
             EXPECT_EQ(LastCareerYear(s), "01");
         }},
        {1000,
         [](const Student& s, const DataStore&) {
             EXPECT_EQ(DateOf(s, 5), DateOf(s, 6));
             EXPECT_EQ(DateOf(s, 5), DateOf(s, 7));
         }},
        {1234,
         [](const Student& s, const DataStore& store) {
             EXPECT_EQ(CodeOf(s, 4), "ZZ99");
             EXPECT_LT(store.Exams().EntryOf("ZZ99"), 1);
         }},
        {1500,
         [](const Student& s, const DataStore& store) {
             EXPECT_EQ(store.Exams().GroupAt(store.Exams().EntryOf(CodeOf(s, 3))), "00");
         }},
        {1600,
         [](const Student& s, const DataStore& store) {
             const CodeTable& exams = store.Exams();
             EXPECT_EQ(MarkOf(s, 2), "ID");
             EXPECT_NE(exams.NameAt(exams.EntryOf(CodeOf(s, 2))).find("(MOD"), std::string::npos);
             const std::string_view lower = exams.NameAt(exams.EntryOf(CodeOf(s, 3)));
             EXPECT_NE(lower.find("(mod"), std::string::npos);
             EXPECT_EQ(lower.find("(MOD"), std::string::npos);
         }},
        {1700,
         [](const Student& s, const DataStore&) {
             EXPECT_EQ(MarkOf(s, 1), "99");
             EXPECT_EQ(MarkOf(s, 6), "ID");
             EXPECT_EQ(MarkOf(s, 9), "31");
         }},
        {1999,
         [](const Student& s, const DataStore&) {
             EXPECT_FALSE(Graduated(s));
             EXPECT_EQ(s.fields.EnrolYear, "9697");
             EXPECT_EQ(LastCareerYear(s), "99");
             EXPECT_LE(s.NumExams, 15);
         }},
        {2000,
         [](const Student& s, const DataStore&) {
             EXPECT_EQ(s.fields.HonoursMark, "*");
             EXPECT_EQ(s.fields.DegreeGrade.substr(0, 3), "110");
         }},
        {2500,
         [](const Student& s, const DataStore&) {
             EXPECT_EQ(s.NumExams, 0);
             EXPECT_EQ(s.NumYears, 3);
         }},
        {3000,
         [](const Student& s, const DataStore&) {
             EXPECT_EQ(s.NumYears, 0);
             EXPECT_EQ(s.NumExams, 8);
             EXPECT_FALSE(Graduated(s));
         }},
        {4000, [](const Student& s, const DataStore&) { EXPECT_EQ(s.ExamRecs.at(5).size(), 16U); }},
        {kTypicalGraduate,
         [](const Student& s, const DataStore& store) {
             EXPECT_TRUE(Graduated(s));
             EXPECT_EQ(s.fields.HonoursMark, " ");
             EXPECT_EQ(s.NumExams, 26);
             int honours = 0;
             int modules = 0;
             for (int i = 1; i <= s.NumExams; ++i) {
                 honours += MarkOf(s, i) == "31";
                 const std::string_view name =
                     store.Exams().NameAt(store.Exams().EntryOf(CodeOf(s, i)));
                 modules += name.find("(MOD") != std::string_view::npos;
             }
             EXPECT_EQ(honours, 3);
             EXPECT_EQ(modules, 1);
         }},
        {9000,
         [](const Student& s, const DataStore&) {
             EXPECT_FALSE(Graduated(s));
             EXPECT_EQ(s.fields.EnrolYear, "2425");
             EXPECT_EQ(LastCareerYear(s), "25");  // expected end 31 May 2026
             EXPECT_LE(s.NumExams, 15);
         }},
    };
}

TEST(SpecialCases, EveryListedStudentShowsItsCase) {
    TempFolder folder;
    ASSERT_TRUE(WriteSampleDataSet(folder.Path(), SampleDataOptions{}).ok());
    const auto store = DataStore::LoadTables(folder.DataDir());
    ASSERT_TRUE(store.ok());
    const auto checks = Checks();
    for (const SpecialCase& special : SpecialCases()) {
        SCOPED_TRACE(special.matricola);
        const auto check = checks.find(special.matricola);
        ASSERT_NE(check, checks.end()) << "no check for this case";
        const auto found = LookupStudent(*store, std::to_string(special.matricola));
        ASSERT_TRUE(found.ok() && found->student.has_value());
        check->second(*found->student, *store);
    }
    EXPECT_EQ(checks.size(), SpecialCases().size());
}

TEST(SpecialCases, TypicalGraduateStaysWithoutTheOthers) {
    SampleDataOptions options;
    options.includeSpecialCases = false;
    const auto set = GenerateSampleDataSet(options);
    ASSERT_TRUE(set.ok());
    for (const SpecialCase& special : SpecialCases()) {
        const bool present =
            std::binary_search(set->matricole.begin(), set->matricole.end(), special.matricola);
        if (special.alwaysPresent) {
            EXPECT_TRUE(present) << special.matricola;
        }
    }
    EXPECT_TRUE(std::binary_search(set->matricole.begin(), set->matricole.end(), kTypicalGraduate));
}

}  // namespace
}  // namespace velmaro::sample
