// Loading the data at start-up: the two code tables, the registry and the record files; and
// reading a student from texts: the numbers in typed and stored texts, then the fields of a
// registry record and of its exam and year records, and their dates.

#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <filesystem>
#include <limits>
#include <tuple>

#include "base/civil_date.h"
#include "base/numeric_value.h"
#include "store/data_file_versions.h"
#include "store/data_store.h"
#include "store/student.h"
#include "tests/store/data_files.h"

namespace velmaro {
namespace {

using testdata::TempDataDir;
using ::testing::ElementsAre;

TEST(CodeTable, EveryLineEndingLoadsTrimmedDecodedNamesAndAnEmptyFileNone) {
    const TempDataDir dir;
    for (const std::string end : {"\r\n", "\r", "\n"}) {
        dir.Write("esami.grp", "A1 MAT1 Analisi I  " + end + "MR FIS1   Fisica" + end +
                                   "00 CHI1 Maturit\xE0");  // the last line without an ending
        dir.Write("titoli.grp", "1 SC Liceo " + end + "3 IT Maturit\xE0" + end);
        const auto exams = LoadExamTable(FolderSource(dir.DataDir()));
        const auto titles = LoadTitleGroups(FolderSource(dir.DataDir()));
        ASSERT_TRUE(exams.ok() && titles.ok()) << end.size() << int(end[0]);
        EXPECT_EQ(exams->codes, "*MAT1*FIS1*CHI1");
        EXPECT_THAT(exams->names, ElementsAre("", "Analisi I", "Fisica", "Maturit\xC3\xA0"));
        EXPECT_THAT(exams->groups, ElementsAre("", "A1", "MR", "00"));
        EXPECT_THAT(titles->names, ElementsAre("", "Liceo", "Maturit\xC3\xA0"));
    }
    dir.Write("esami.grp", "");
    const auto empty = LoadExamTable(FolderSource(dir.DataDir()));
    EXPECT_EQ(empty->count, 0);
    EXPECT_EQ(empty->NameAt(empty->EntryOf("MAT1")), "");
}

TEST(CodeTable, ShortLastLineMakesTheCountFractionalAndTheTopEntryEmpty) {
    const CodeTable titles = BuildCodeTable(
        {"1 AA Uno", "2 BB Due", "3 CC Tre", "4 DD Quattro", "5 E"}, kTitleTableLayout);
    EXPECT_DOUBLE_EQ(titles.count, 14.0 / 3.0);  // "*E" adds 2 characters
    EXPECT_THAT(titles.names, ElementsAre("", "Uno", "Due", "Tre", "Quattro", ""));
}

TEST(CodeTable, LookupFindsExactCodesAndFallsBackToEntryOne) {
    const CodeTable exams =
        BuildCodeTable({"A1 MAT1 Analisi", "MR FIS1 Fisica", "00 CHI1 Chimica"}, kExamTableLayout);
    const std::pair<const char*, double> cases[] = {
        {"MAT1", 1}, {"FIS1", 2}, {"CHI1", 3}, {"XXXX", 0.8}, {"fis1", 0.8}};
    for (const auto& [code, entry] : cases)
        EXPECT_DOUBLE_EQ(exams.EntryOf(code), entry) << code;
    EXPECT_EQ(exams.NameAt(0.8), "Analisi");
    // Lines short of a whole code shift the entries after them; every code of two letters
    // then finds what a search of the index finds, within an entry or across two.
    const CodeTable shifted =
        BuildCodeTable({"1 AA Uno", "2 B", "3 BC Tre", "4 C", "5 AB", "6 CA"}, kTitleTableLayout);
    for (const char first : std::string("ABC*"))
        for (const char second : std::string("ABC*")) {
            const std::string code{first, second};
            const std::size_t found = shifted.codes.find("*" + code);
            const double searched = found == std::string::npos ? 0.0 : found + 1.0;
            EXPECT_DOUBLE_EQ(shifted.EntryOf(code), (searched - 1) / 3 + 1) << code;
        }
    for (const double outside : {0.4, -1.0, 3.6, std::nan("")})
        EXPECT_EQ(exams.NameAt(outside).size() + exams.GroupAt(outside).size(), 0u) << outside;
}

// Only lines of blanks alone are blank: a line of a group code, or of a title line's first
// character, holds something, though no code or name. The end-of-file mark of DOS programs
// (Ctrl+Z) is no line: alone, the table has none; with blank lines, only those.
TEST(CodeTable, OnlyLinesOfBlanksAreBlankLines) {
    struct Case {
        std::vector<std::string> lines;
        bool noLines;
        bool onlyBlank;
    };
    const Case cases[] = {{{}, true, false},
                          {{"\x1a"}, true, false},
                          {{"", "   ", "\t "}, false, true},
                          {{"", "\x1a"}, false, true},
                          {{"A1", ""}, false, false},
                          {{"   ", "A1 MAT1"}, false, false},
                          {{"A1 MAT1", "\x1a"}, false, false}};
    for (const auto& [lines, noLines, onlyBlank] : cases) {
        const CodeTable table = BuildCodeTable(lines, kExamTableLayout);
        EXPECT_EQ(table.noLines, noLines) << ::testing::PrintToString(lines);
        EXPECT_EQ(table.onlyBlankLines, onlyBlank) << ::testing::PrintToString(lines);
    }
    EXPECT_FALSE(BuildCodeTable({"1", "2"}, kTitleTableLayout).onlyBlankLines);
}

// The two tables and a registry of ten students with keys 100, 200, ... 1000, plus extra bytes.
void WriteTablesAndRegistry(const TempDataDir& dir, const std::string& registryExtra = "") {
    dir.Write("titoli.grp", "1 SC Liceo scientifico\r\n");
    dir.Write("esami.grp", "A1 MAT1 Analisi\r\n");
    std::string registry;
    for (int n = 1; n <= 10; ++n)
        registry += testdata::Slot(testdata::RegistryText(100 * n), kRegistrySlotSize);
    dir.Write("elenco.dir", registry + registryExtra);
}

// The exam and year files are never written here: they read as empty and are not created.
TEST(DataStore, RegistryCountRoundsHalfToEvenAndMissingRecordFilesReadAsEmpty) {
    // The bytes after the tenth slot are the start of a slot whose text begins "05193".
    const std::string partial = testdata::Slot(testdata::RegistryText(5193), kRegistrySlotSize);
    const std::tuple<std::size_t, std::int32_t, std::int32_t> cases[] = {
        {620, 10, 1000}, {651, 10, 1000}, {652, 11, 5193}};  // bytes, count, last key
    for (const auto& [bytes, count, lastKey] : cases) {
        const TempDataDir dir;
        WriteTablesAndRegistry(dir, partial.substr(0, bytes - 620));
        auto store = DataStore::LoadTables(dir.DataDir());
        ASSERT_TRUE(store.ok()) << store.error().Message();
        EXPECT_EQ(store->RegistryCount(), count) << bytes;
        EXPECT_EQ(store->LastRegistryKey(), lastKey) << bytes;
        EXPECT_EQ(*store->ExamFile().Length(), 0);
        EXPECT_EQ(*store->YearFile().ReadRecord(1), "");
        EXPECT_FALSE(std::filesystem::exists(dir.PathOf("esami.dir")) ||
                     std::filesystem::exists(dir.PathOf("velmara.dir")));
    }
}

TEST(DataStore, StartupErrorsNameTheFile) {
    const std::pair<std::string, std::string> cases[] = {
        // a file, and what replaces it
        {"titoli.grp", "nothing"},
        {"esami.grp", "nothing"},
        {"elenco.dir", "nothing"},
        {"elenco.dir", "empty"},
        {"esami.dir", "a folder"},
        {"velmara.dir", "a folder"},
        // A pipe would make start-up wait for a writer for ever.
        {"esami.grp", "a pipe"},
        {"elenco.dir", "a pipe"},
        {"esami.dir", "a pipe"}};
    for (const auto& [name, replacement] : cases) {
        const TempDataDir dir;
        WriteTablesAndRegistry(dir);
        std::filesystem::remove(dir.PathOf(name));
        if (replacement == "empty") dir.Write(name, "");
        if (replacement == "a folder") std::filesystem::create_directory(dir.PathOf(name));
        if (replacement == "a pipe") {
            ASSERT_EQ(::mkfifo(dir.PathOf(name).c_str(), 0600), 0);
        }
        auto store = DataStore::LoadTables(dir.DataDir());
        ASSERT_FALSE(store.ok()) << name;
        EXPECT_THAT(store.error().Message(), ::testing::StartsWith(dir.PathOf(name) + ": "));
        if (replacement == "a pipe") {
            EXPECT_THAT(store.error().reason, ::testing::HasSubstr("not a data file"));
        }
    }
}

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

std::int64_t DayOfPartsOf(const std::string& yymmdd) {
    return DayNumberOfParts(yymmdd.substr(2, 2), yymmdd.substr(4, 2), yymmdd.substr(0, 2));
}

std::string TwoDigits(int value) {
    return {static_cast<char>('0' + value / 10), static_cast<char>('0' + value % 10)};
}

TEST(YyMmDdDay, AgreesWithTheDateOfItsPartsAndIsNoneForTextsNotSixDigits) {
    // Months and days one past their ends and 0 included: every leap day, month end and
    // century year is met.
    for (int year = 0; year < 100; ++year) {
        for (int month = 0; month <= 13; ++month) {
            for (int day = 0; day <= 32; ++day) {
                const std::string text = TwoDigits(year) + TwoDigits(month) + TwoDigits(day);
                ASSERT_EQ(DayNumberOfYyMmDd(text), DayOfPartsOf(text)) << text;
            }
        }
    }
    // (Which century a year is in, and leap days, are pinned by CareerRecords.FieldsByPosition...)
    // Texts that are not six digits are no date.
    for (const char* text : {"", "96110", "9611011", " 61101", "96110 ", "96-101", "9611/1",
                             "9611:1", "9:1101", "+61101", "961a01"}) {
        EXPECT_EQ(DayNumberOfYyMmDd(text), kNoDayNumber) << text;
        if (std::string(text).size() == 6) {
            EXPECT_EQ(DayOfPartsOf(text), kNoDayNumber) << text;
        }
    }
}

// A registry record, 17 bytes of exams and 16 of years: record files for a watch to look at.
void WriteRecordFiles(const TempDataDir& data) {
    data.Write("elenco.dir", std::string(62, 'r'));
    data.Write("esami.dir", std::string(17, 'e'));
    data.Write("velmara.dir", std::string(16, 'v'));
}

// What a data keeper does to the record files while cards are drawn. Their permissions, a hard
// link made to one (a backup's) and an access time set back touch no record: no alarm. A file
// saved anew under its name is followed, so that records added later into that new file are a
// write like any; and once one is found, it stays found, the file replaced again or not.
TEST(RecordFilesWatch, FollowsFilesReplacedAndIgnoresWhatTouchesNoRecord) {
    const TempDataDir data;
    const std::string exams = data.PathOf("esami.dir");
    WriteRecordFiles(data);
    const RecordFilesWatch watch(data.DataDir());

    ASSERT_EQ(::chmod(exams.c_str(), 0600), 0);
    ASSERT_EQ(::link(exams.c_str(), data.PathOf("backup").c_str()), 0);
    const timespec accessedLongAgo[2] = {{.tv_sec = 1, .tv_nsec = 0},
                                         {.tv_sec = 0, .tv_nsec = UTIME_OMIT}};
    ASSERT_EQ(::utimensat(AT_FDCWD, data.PathOf("velmara.dir").c_str(), accessedLongAgo, 0), 0);
    EXPECT_TRUE(watch.NoneWrittenInPlace());

    data.Write("saved", std::string(34, 'e'));
    ASSERT_EQ(::rename(data.PathOf("saved").c_str(), exams.c_str()), 0);
    EXPECT_TRUE(watch.NoneWrittenInPlace());

    TempDataDir::WriteFile(exams, std::string(51, 'e'));
    const Status written = watch.NoneWrittenInPlace();
    ASSERT_FALSE(written);
    EXPECT_EQ(written.error().file, exams);
    EXPECT_THAT(written.error().reason, ::testing::HasSubstr("written into while the cards"));

    data.Write("saved", std::string(17, 'e'));
    ASSERT_EQ(::rename(data.PathOf("saved").c_str(), exams.c_str()), 0);
    EXPECT_FALSE(watch.NoneWrittenInPlace());
}

// A record mended in place, within the second of the last write: the size stays and so does
// the second of the time of the last write; only its fraction tells.
TEST(RecordFilesWatch, FindsARecordRewrittenWithinTheSameSecond) {
    const TempDataDir data;
    const std::string registry = data.PathOf("elenco.dir");
    WriteRecordFiles(data);
    const auto writtenAt = [&](long nanoseconds) {
        const timespec times[2] = {{.tv_sec = 0, .tv_nsec = UTIME_OMIT},
                                   {.tv_sec = 1700000000, .tv_nsec = nanoseconds}};
        return ::utimensat(AT_FDCWD, registry.c_str(), times, 0) == 0;
    };
    ASSERT_TRUE(writtenAt(100));
    const RecordFilesWatch watch(data.DataDir());
    TempDataDir::WriteFile(registry, std::string(62, 'R'));
    ASSERT_TRUE(writtenAt(200));
    const Status written = watch.NoneWrittenInPlace();
    ASSERT_FALSE(written);
    EXPECT_EQ(written.error().file, registry);
}

}  // namespace
}  // namespace velmaro
