// The committed sample data set: what the generator writes, and the special cases it holds.

#include "tools/sample_data.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <iterator>
#include <string>

#include "lookup/lookup_student.h"
#include "store/data_check.h"
#include "store/data_store.h"
#include "store/registry_search.h"
#include "tests/store/data_files.h"
#include "tools/edge_case_students.h"

namespace velmaro::sample {
namespace {

TEST(SampleData, CommittedSetIsTheGeneratorsOutputAndEveryStudentIsFound) {
    const testdata::TempDataDir dir;
    ASSERT_TRUE(WriteSampleDataSet(dir.DataDir(), SampleDataOptions{}).ok());
    for (const std::string name :
         {"elenco.dir", "esami.dir", "velmara.dir", "esami.grp", "titoli.grp"})
        EXPECT_TRUE(testdata::FileBytes(dir.PathOf(name)) ==
                    testdata::FileBytes(VELMARO_SAMPLE_DIR "/" + name))
            << name << ": data/sample is stale, regenerate it with velmaro_make_sample";

    // The sample holds no data fault as of the day it stands at (and so on every later day):
    // the check finds nothing. That also makes every student found, with every record of its
    // runs on file: keys out of order, repeated or no numbers, and runs reaching past a file or
    // records cut short, are all findings of the check.
    const auto kToday = std::chrono::year(kDataAsOfYear) / kDataAsOfMonth / kDataAsOfDay;
    const auto files = ReadDataFiles(dir.DataDir());
    ASSERT_TRUE(files.ok());
    EXPECT_TRUE(CheckDataFiles(*files, kToday).Clean());
}

// Every exam and every graduation falls on a weekday of the sessions (not a Saturday or
// Sunday, not in August, not from 23 December to 6 January), also where the first day a
// student could take one is a Sunday, as 8 January 2006 is.
TEST(SampleData, ExamsAndGraduationsFallOnWeekdaysOfTheSessions) {
    const auto set = GenerateSampleDataSet(SampleDataOptions{});
    ASSERT_TRUE(set.ok());
    const auto onSessionWeekday = [](const std::string& yymmdd) {
        const int yy = std::stoi(yymmdd.substr(0, 2));
        const std::chrono::year_month_day date{
            std::chrono::year(yy < 50 ? 2000 + yy : 1900 + yy),
            std::chrono::month(static_cast<unsigned>(std::stoi(yymmdd.substr(2, 2)))),
            std::chrono::day(static_cast<unsigned>(std::stoi(yymmdd.substr(4, 2))))};
        const std::chrono::weekday weekday{std::chrono::sys_days(date)};
        const unsigned month = static_cast<unsigned>(date.month());
        const unsigned day = static_cast<unsigned>(date.day());
        return weekday != std::chrono::Saturday && weekday != std::chrono::Sunday && month != 8 &&
               !(month == 12 && day >= 23) && !(month == 1 && day <= 6);
    };
    // A slot is the 2-byte length and the text; the date is at 6 in an exam's text, the degree
    // date at 29 in a registry text.
    for (std::size_t slot = 0; slot < set->exams.size(); slot += kExamSlotSize) {
        const std::string date = set->exams.substr(slot + 2 + 6, 6);
        EXPECT_TRUE(onSessionWeekday(date))
            << "exam record " << slot / kExamSlotSize + 1 << ": " << date;
    }
    for (std::size_t slot = 0; slot < set->registry.size(); slot += kRegistrySlotSize) {
        const std::string date = set->registry.substr(slot + 2 + 29, 6);
        EXPECT_TRUE(date == "000000" || onSessionWeekday(date))
            << "student " << set->registry.substr(slot + 2, 5) << " graduated " << date;
    }
}

// A disk that fills (files may not grow past 4 KiB; the signal that would end the test is
// ignored meanwhile): the error names the file and the system's reason, an older file of that
// name stays as it was, and no temporary file is left.
TEST(SampleData, AFileThatCannotBeWrittenIsNamedAndTheOlderOneStays) {
    const testdata::TempDataDir dir;
    dir.Write("elenco.dir", "older");
    rlimit before{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &before), 0);
    const rlimit full{4096, before.rlim_max};
    const auto previous = ::signal(SIGXFSZ, SIG_IGN);
    ::setrlimit(RLIMIT_FSIZE, &full);
    const Status written = WriteSampleDataSet(dir.DataDir(), SampleDataOptions{});
    ::setrlimit(RLIMIT_FSIZE, &before);
    ::signal(SIGXFSZ, previous);
    ASSERT_FALSE(written.ok());
    EXPECT_EQ(written.error().Message(), dir.PathOf("elenco.dir") + ": File too large");
    EXPECT_EQ(testdata::FileBytes(dir.PathOf("elenco.dir")), "older");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.DataDir()),
                            std::filesystem::directory_iterator()),
              1);
}

// Pieces of exam i (from 1) of a student, and its name.
std::string Code(const Student& s, int i) { return s.ExamRecs.at(i - 1).code.str(); }
std::string Mark(const Student& s, int i) { return s.ExamRecs.at(i - 1).grade.str(); }
std::string Date(const Student& s, int i) {
    const ExamRecord& exam = s.ExamRecs.at(i - 1);
    return exam.year.str() + exam.month.str() + exam.day.str();
}
std::string Name(const DataStore& d, const Student& s, int i) {
    return std::string(d.Exams().NameAt(d.Exams().EntryOf(Code(s, i))));
}
bool IsModule(const std::string& name) { return name.find("(MOD") != std::string::npos; }
std::string LastYear(const Student& s) { return s.LastYearRec().year.str(); }
bool Graduated(const Student& s) { return s.fields.DegreeDate != "000000"; }
// Not graduated, enrolled in the academic year enrol (yyYY), last career year lastYear (yy).
bool Studying(const Student& s, std::string_view enrol, std::string_view lastYear) {
    return !Graduated(s) && s.fields.EnrolYear == enrol && LastYear(s) == lastYear;
}

// What each special case of the sample shows, so that the list given to testers is true.
const struct {
    std::int32_t matricola;
    bool (*holds)(const Student&, DataStore&);
} kChecks[] = {
    {4, [](auto&, auto& d) { return RecordKey(*d.Registry().ReadRecord(1)) == 4; }},
    {50, [](auto& s, auto&) { return s.fields.EnrolYear == "8586"; }},
    {123,
     [](auto& s, auto& d) {  // the tail is read right despite the trailing blanks
         const auto found =
             SearchRegistry(d.Registry(), d.RegistryCount(), d.LastRegistryKey(), 123);
         return found->record.size() == 60 && found->record.ends_with("  ") && s.NumExams() == 20;
     }},
    {250, [](auto& s, auto&) { return s.fields.SexCode == "0"; }},
    {251, [](auto& s, auto&) { return s.fields.SexCode == " "; }},
    {777,
     [](auto& s, auto&) { return !Graduated(s) && s.NumExams() == 16 && LastYear(s) == "01"; }},
    {778,
     [](auto& s, auto&) { return !Graduated(s) && s.NumExams() == 15 && LastYear(s) == "01"; }},
    {1000, [](auto& s, auto&) { return Date(s, 5) == Date(s, 6) && Date(s, 6) == Date(s, 7); }},
    {1500,
     [](auto& s, auto& d) { return d.Exams().GroupAt(d.Exams().EntryOf(Code(s, 3))) == "00"; }},
    {1600,
     [](auto& s, auto& d) {
         return Mark(s, 2) == "ID" && IsModule(Name(d, s, 2)) && !IsModule(Name(d, s, 3)) &&
                Name(d, s, 3).find("(mod") != std::string::npos;
     }},
    {1700,
     [](auto& s, auto&) { return Mark(s, 1) == "99" && Mark(s, 6) == "ID" && Mark(s, 9) == "31"; }},
    {1999, [](auto& s, auto&) { return Studying(s, "9697", "99"); }},
    {2000,
     [](auto& s, auto&) { return s.fields.HonoursMark == "*" && s.fields.DegreeGrade == "110  "; }},
    {2500, [](auto& s, auto&) { return s.NumExams() == 0 && s.NumYears() == 3; }},
    {3000, [](auto& s, auto&) { return s.NumYears() == 0 && s.NumExams() == 8; }},
    {4000,
     [](auto&, auto& d) {  // exam 5's record text is 12 characters long
         const auto found =
             SearchRegistry(d.Registry(), d.RegistryCount(), d.LastRegistryKey(), 4000);
         const SplitRecord split = SplitStudentRecord(found->record);
         return d.ExamFile().ReadRecord(split.FirstExamRec.value_or(0) + 4)->size() == 12;
     }},
    {kTypicalGraduate,
     [](auto& s, auto& d) {
         int honours = 0, modules = 0;
         for (int i = 1; i <= s.NumExams(); ++i) {
             honours += Mark(s, i) == "31";
             modules += IsModule(Name(d, s, i));
         }
         return s.NumExams() == 26 && honours == 3 && modules == 1 && s.fields.HonoursMark == " ";
     }},
    {9000, [](auto& s, auto&) { return Studying(s, "2425", "25"); }},  // ends 31 May 2026
};

TEST(SpecialCases, EveryListedStudentShowsItsCaseInTheCommittedSample) {
    auto store = DataStore::LoadTables(VELMARO_SAMPLE_DIR "/");
    ASSERT_EQ(std::size(kChecks), SpecialCases().size());
    for (std::size_t i = 0; i < std::size(kChecks); ++i) {
        const SpecialCase& special = SpecialCases()[i];
        ASSERT_EQ(kChecks[i].matricola, special.matricola) << "no check for this case";
        const auto found = LookupStudent(*store, std::to_string(special.matricola));
        ASSERT_TRUE(found.ok() && found->student) << special.matricola;
        EXPECT_TRUE(kChecks[i].holds(*found->student, *store))
            << special.matricola << ": " << special.description;
    }
}

}  // namespace
}  // namespace velmaro::sample
