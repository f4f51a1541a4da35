// The data check: one sound data set, and one breakage of it for every kind of problem.

#include "store/data_check.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <string>
#include <tuple>
#include <vector>

#include "render/classify_exam.h"
#include "render/exam_row.h"
#include "store/code_table.h"
#include "store/data_file_names.h"
#include "store/data_store.h"
#include "store/registry_search.h"
#include "store/table_check.h"
#include "store/text_file.h"
#include "tests/store/data_files.h"

namespace velmaro {
namespace {

using testdata::RegistryText;
using testdata::Slots;

// The day the cards are drawn: after every career of the data sets below.
constexpr auto kToday = std::chrono::year(2025) / 10 / 20;

// Three students (keys 10, 20, 30), each with two exams and two career years, enrolled 96/97
// (the chart begins 1 November 1996) and graduated 15 July 2003; diploma SC.
struct DataSet {
    std::vector<std::string> registry = {RegistryText(10, 2, 2, 1, 1), RegistryText(20, 2, 2, 3, 3),
                                         RegistryText(30, 2, 2, 5, 5)};
    std::vector<std::string> exams = {"100128970115000", "100230980610000", "100127961101000",
                                      "100325030715000", "100218990301000", "100331000301000"};
    std::vector<std::string> years = {"00960000000000", "00970000000000", "00960000000000",
                                      "00970000000000", "00960000000000", "00970000000000"};
    std::string examTable = "A1 1001 Matematica\r\nEB 1002 Economia\r\nLZ 1003 Lingua\r\n";
    std::string titleTable = "1 SC Liceo Scientifico\r\n2 CL Liceo Classico\r\n";
    // Changes of the files' bytes, made after the records are put in their slots.
    std::vector<std::function<void(DataFileContents&)>> bytes;

    DataFileContents Files() const {
        DataFileContents files{Slots(registry, kRegistrySlotSize), examTable, titleTable,
                               Slots(exams, kExamSlotSize), Slots(years, kYearSlotSize)};
        for (const auto& change : bytes)
            change(files);
        return files;
    }
};

// text with value written over it from the 1-based position on.
std::string With(std::string text, std::size_t position, const std::string& value) {
    return text.replace(position - 1, value.size(), value);
}

// A change of the sound data set.
using Change = std::function<void(DataSet&)>;
using Texts = std::vector<std::string> DataSet::*;

// Writes value over text i of one of the data set's record files from the 1-based position at.
Change Put(Texts file, int i, int at, const std::string& value) {
    return [=](DataSet& d) { (d.*file)[i] = With((d.*file)[i], at, value); };
}
Change Registry(int i, int at, std::string v) { return Put(&DataSet::registry, i, at, v); }
Change Exam(int i, int at, std::string v) { return Put(&DataSet::exams, i, at, v); }
Change Year(int i, int at, std::string v) { return Put(&DataSet::years, i, at, v); }
// Exam record i dated yymmdd.
Change Dated(int i, const std::string& yymmdd) { return Exam(i, 7, yymmdd); }
// Registry text i replaced by text.
Change Student(int i, const std::string& text) { return Registry(i, 1, text); }
// text added as the last record of file.
Change Added(Texts file, const std::string& text) {
    return [=](DataSet& d) { (d.*file).push_back(text); };
}
// Text added to the end of the exam table or of the title table, as a line or as it stands;
// the title table replaced by text.
Change ExamText(const std::string& text) {
    return [=](DataSet& d) { d.examTable += text; };
}
Change TitleText(const std::string& text) {
    return [=](DataSet& d) { d.titleTable += text; };
}
Change ExamLine(const std::string& line) { return ExamText(line + "\r\n"); }
Change TitleLine(const std::string& line) { return TitleText(line + "\r\n"); }
Change Titles(const std::string& text) {
    return [=](DataSet& d) { d.titleTable = text; };
}
// A change of the files' bytes; one that leaves a record file out.
Change Bytes(std::function<void(DataFileContents&)> change) {
    return [=](DataSet& d) { d.bytes.push_back(change); };
}
Change Missing(std::optional<std::string> DataFileContents::*file) {
    return Bytes([=](DataFileContents& files) { (files.*file).reset(); });
}

// The sound data set changed by changes, in order.
DataSet Changed(const std::vector<Change>& changes) {
    DataSet set;
    for (const Change& change : changes)
        change(set);
    return set;
}

std::vector<ProblemKind> KindsFound(const CheckReport& report) {
    std::vector<ProblemKind> kinds;
    for (const ProblemKind kind : AllProblemKinds()) {
        if (report.Group(kind).count != 0) kinds.push_back(kind);
    }
    return kinds;
}

// A finding as "<kind> <file> <record>/<other record>", then ": <found>" when withFound.
std::string Described(ProblemKind kind, const Finding& finding, bool withFound = true) {
    return std::string(ProblemKindId(kind)) + " " + finding.file + " " +
           std::to_string(finding.record) + "/" + std::to_string(finding.otherRecord) +
           (withFound ? ": " + finding.found : "");
}

// The findings of kind that report keeps, each Described.
std::vector<std::string> FindingsOf(const CheckReport& report, ProblemKind kind,
                                    bool withFound = true) {
    std::vector<std::string> found;
    for (const Finding& finding : report.Group(kind).first)
        found.push_back(Described(kind, finding, withFound));
    return found;
}

// What a report holds, kind by kind.
std::vector<std::string> Findings(const CheckReport& report, bool withFound = true) {
    std::vector<std::string> found;
    for (const ProblemKind kind : KindsFound(report)) {
        const std::vector<std::string> ofKind = FindingsOf(report, kind, withFound);
        found.insert(found.end(), ofKind.begin(), ofKind.end());
    }
    return found;
}

TEST(DataCheck, SoundDataAndItsBoundariesAreClean) {
    const std::vector<Change> sound[] = {
        {},
        // Exams on the day the chart begins and on the graduation day.
        {Dated(0, "961101"), Dated(1, "030715")},
        // A degree taken today.
        {Registry(1, 30, "251020")},
        // (Trailing blanks after a registry text, and a 12-character exam record, are held by
        // the committed sample, which the check finds clean: SampleData.CommittedSet...)
        // A run of no records may start anywhere.
        {Added(&DataSet::registry, RegistryText(40, 0, 0, 0, -9))},
        // Not graduated: the chart of its two exams ends on 31 May after its last career year.
        {Registry(1, 30, "000000"), Dated(3, "980531")},
        // Counts read as the card reads them: a sign, a tab.
        {Registry(0, 45, "+2"), Registry(1, 47, "\t2")},
        // A name of one character is a name; accented letters are Windows-1252's, also where
        // one and the symbol after it would make a UTF-8 sequence ("Ù" and a no-break space,
        // "É" and a closing quote); tabs in a title line's separator columns are not shown.
        // Empty lines, or blanks alone, after a table's last entry move no entry.
        {ExamText("A1 1004X\r\nA1 1005 Contabilit\xe0 Pubblica\r\n\r\n   \r\n"),
         TitleText("3 PI Perito PI\xD9\xA0PERCH\xC9\x94\r\n4\tTA\tLiceo Tecnico\r\n\n\n")},
        // The end-of-file mark of DOS programs after a table's last line moves no entry either.
        {ExamText("\x1a"), TitleText("\r\n\x1a\r\n")},
        // Enrolled for the academic year to come, and checked before it begins: only today
        // comes before the chart's beginning.
        {Added(&DataSet::registry,
               With(With(RegistryText(40, 0, 1, 0, 7), 18, "2526"), 30, "000000")),
         Added(&DataSet::years, "00250000000000")},
    };
    for (const std::vector<Change>& changes : sound) {
        const CheckReport report = CheckDataFiles(Changed(changes).Files(), kToday);
        EXPECT_TRUE(report.Clean()) << ::testing::PrintToString(Findings(report));
    }
}

using enum ProblemKind;

// A change of the sound data set, and the one problem it makes: its first finding Described
// (its found text compared when given) and its count.
struct Breakage {
    std::string first;
    std::vector<Change> changes;
    std::size_t count = 1;
};

const Breakage kBreakages[] = {
    // Two findings: the two records, and the last record's key, above which no lookup goes.
    {"registry-order elenco.dir 2/3: keys \"00030\" and \"00020\"",
     {[](DataSet& d) { std::swap(d.registry[1], d.registry[2]); }},
     2},
    {"repeated-key elenco.dir 2/3: keys \"00020\" and \"00020\": a lookup of 20 finds record 2",
     {Registry(2, 1, "00020")}},
    {"bad-key elenco.dir 1/0: key \"-0.1x\"", {Registry(0, 1, "-0.1x")}},
    {"length-past-slot esami.dir 2/0: length field 16, the slot holds 15",
     {Bytes([](DataFileContents& files) { files.exams->at(kExamSlotSize) = 16; })}},
    // A file ending inside a slot.
    {"partial-slot velmara.dir 7/0: 6 of 16 bytes", {Bytes([](DataFileContents& files) {
         *files.years += testdata::Slot("0097", kYearSlotSize).substr(0, 6);
     })}},
    // Registry and exam records cut short: see RecordsCutShortOrMalformedAreChecked... below.
    // A registry text that holds every field but not 58 characters: whatever shortened or
    // lengthened it (here the three unused characters lost, or one more of them) may as well
    // have shifted the fields the card reads between its start and its end.
    {"record-length elenco.dir 1/0: 55 characters, not 58: "
     "\"000101780520100MI9697SC959654030715110  *02020000100001\"",
     {[](DataSet& d) { d.registry[0].erase(41, 3); }}},
    // A blank before the text moves the key alone: record 1 is found by 1, not by 10.
    {"record-length elenco.dir 1/0: 1 blank before the text, which moves its key (read as "
     "\" 0001\"): \"000101780520100MI9697SC959654030715110  *   02020000100001\"",
     {[](DataSet& d) { d.registry[0].insert(0, " "); }}},
    {"record-length elenco.dir 2/0: 59 characters, not 58: "
     "\"000201780520100MI9697SC959654030715110  *    02020000300003\"",
     {[](DataSet& d) { d.registry[1].insert(41, " "); }}},
    {"short-record velmara.dir 5/0", {[](DataSet& d) { d.years[4].resize(3); }}},
    // Five ways a count is bad, each one finding: negative, fractional, a sign without digits
    // or after them, blanks (which read as no records).
    {"bad-count elenco.dir 1/0: exam count \"-1\"",
     {Registry(0, 45, "-1.5"), Registry(1, 47, "+ "), Registry(2, 45, "2+  ")},
     5},
    {"run-before-first-record elenco.dir 1/0: esami.dir records 0-1",
     {Student(0, RegistryText(10, 2, 2, 0, 1))}},
    // A start beyond 32 bits names no record: by its sign, before record 1 or past the end.
    {"run-past-end elenco.dir 1/0: esami.dir records from \"3E+09\", which is no 32-bit record "
     "number",
     {Registry(0, 49, "3E+09")}},
    {"run-before-first-record elenco.dir 1/0: velmara.dir records from \"-3E09\", which is no "
     "32-bit record number",
     {Registry(0, 54, "-3E09")}},
    {"run-past-end elenco.dir 3/0: velmara.dir records 5-7, the file has 6",
     {Student(2, RegistryText(30, 2, 3, 5, 5))}},
    // Student 30's exams in date order.
    {"run-overlap elenco.dir 2/3: esami.dir records 3-4 and 4-5",
     {Student(2, RegistryText(30, 2, 2, 4, 5)), Dated(4, "030715")}},
    // A run inside a longer one, its six exams in date order.
    {"run-overlap elenco.dir 1/2",
     {Student(0, RegistryText(10, 6, 2, 1, 1)), Dated(2, "980611"), Dated(3, "990101")},
     2},
    // Runs are ordered by their whole record number, also far into a large file: the run at 2
    // lies between none of the others.
    {"run-overlap elenco.dir 1/3", {[](DataSet& d) {
         d.exams.assign(65540, d.exams.front());
         d.registry = {RegistryText(10, 2, 0, 65537), RegistryText(20, 2, 0, 2),
                       RegistryText(30, 2, 0, 65538)};
     }}},
    {"bad-date esami.dir 3/0: exam date \"970229\"", {Dated(2, "970229")}},
    {"bad-grade esami.dir 2/0: grade \"17\"", {Exam(1, 5, "17")}},
    // An enrolment year of two years that do not follow.
    {"bad-date elenco.dir 2/0: enrolment year \"9698\"", {Registry(1, 18, "9698")}},
    {"bad-date elenco.dir 2/0: degree date \"031315\"", {Registry(1, 30, "031315")}},
    // A degree not yet taken: a year mistyped, whose chart would run to it.
    {"bad-date elenco.dir 2/0: degree date \"270731\", after today, 2025-10-20",
     {Registry(1, 30, "270731")}},
    {"bad-date elenco.dir 2/0: degree date \"251021\", after today, 2025-10-20",
     {Registry(1, 30, "251021")}},
    // A birth month 13 is shown as "xx/13/74".
    {"bad-date elenco.dir 2/0: birth year and month \"7413\"", {Registry(1, 7, "7413")}},
    {"bad-date elenco.dir 2/0: birth year and month \"7400\"", {Registry(1, 7, "7400")}},
    {"bad-date elenco.dir 2/0: birth year and month \"7x03\"", {Registry(1, 7, "7x03")}},
    {"bad-date elenco.dir 3/0: diploma school year \"9x95\"", {Registry(2, 24, "9x95")}},
    // A last career year that is not a year.
    {"bad-date velmara.dir 4/0", {Year(3, 3, "9x")}},
    // An exam the day before the chart begins, and the day after graduation.
    {"exam-before-enrolment elenco.dir 2/0", {Dated(2, "961031")}},
    {"exam-after-graduation elenco.dir 3/0: esami.dir record 6 dated \"030716\", graduated "
     "\"030715\"",
     {Dated(5, "030716")}},
    // An exam after the chart's end of a student still enrolled, with and without career years.
    {"exam-after-expected-end elenco.dir 2/0: esami.dir record 4 dated \"980601\", still "
     "enrolled, last career year \"97\": the chart ends 1998-05-31",
     {Registry(1, 30, "000000"), Dated(3, "980601")}},
    {"exam-after-expected-end elenco.dir 2/0: esami.dir record 4 dated \"010601\", still "
     "enrolled, no career year: the chart ends 2001-05-31",
     {Student(1, RegistryText(20, 2, 0, 3, 3)), Registry(1, 30, "000000"), Dated(3, "010601")}},
    {"exam-out-of-order elenco.dir 1/0: esami.dir record 2 dated \"970101\", after record 1 "
     "dated \"970115\"",
     {Dated(1, "970101")}},
    // A student still enrolled whose last career year ends before the chart begins, and a
    // graduation on the day the chart begins.
    {"chart-ends-before-it-begins elenco.dir 2/0: still enrolled, last career year \"95\": the "
     "chart ends 1996-05-31, enrolled \"9697\"",
     {Student(1, RegistryText(20, 0, 2, 3, 3)), Registry(1, 30, "000000"), Year(3, 3, "95")}},
    {"chart-ends-before-it-begins elenco.dir 2/0: graduated \"961101\", enrolled \"9697\"",
     {Student(1, RegistryText(20, 0, 2, 3, 3)), Registry(1, 30, "961101")}},
    {"unknown-exam-code esami.dir 5/0: code \"1004\"", {Exam(4, 1, "1004")}},
    // An exam code in small letters.
    {"unknown-exam-code esami.dir 5/0", {ExamLine("A1 AB12 Diritto"), Exam(4, 1, "ab12")}},
    // A group code in small letters, 25 times: past the first ten findings, which the report
    // keeps, the rest are counted.
    {"unknown-group-code esami.grp 4/0: group \"a1\" of exam \"2000\"",
     {[](DataSet& d) {
         for (int i = 0; i < 25; ++i)
             d.examTable += "a1 " + std::to_string(2000 + i) + " Seminario\r\n";
     }},
     25},
    {"unknown-diploma-code elenco.dir 2/0: diploma code \"99\"", {Registry(1, 22, "99")}},
    // An exam line without a name: its code is still the table's, an exam of that code is no
    // unknown code.
    {"malformed-table-line esami.grp 4/0: 7 characters: \"A1 1004\"",
     {ExamLine("A1 1004"), Exam(4, 1, "1004")}},
    {"malformed-table-line esami.grp 4/0: 10 characters: \"A1 1004   \"", {ExamLine("A1 1004   ")}},
    // A line of one character between entries (a DOS end-of-file mark left in the middle).
    {"malformed-table-line esami.grp 2/0: 1 character: \"\x1a\"",
     {[](DataSet& d) { d.examTable.insert(d.examTable.find('\n') + 1, "\x1a\r\n"); }}},
    // An empty line between entries.
    {"malformed-table-line esami.grp 2/0: 0 characters: \"\"",
     {[](DataSet& d) { d.examTable.insert(d.examTable.find('\n') + 1, "\r\n"); }}},
    // A line of a megabyte is shown by its first 256 characters.
    {"malformed-table-line esami.grp 4/0: holds a tab at character 8: \"A1 1004\t" +
         std::string(248, 'x') + "\"…",
     {ExamLine("A1 1004\t" + std::string(1 << 20, 'x'))}},
    // What an editor saving a table may leave in the text the card shows.
    {"malformed-table-line esami.grp 4/0: holds a tab at character 8: \"A1 1004\tStatistica\"",
     {ExamLine("A1 1004\tStatistica")}},
    {"malformed-table-line esami.grp 4/0: holds byte 0x81, which Windows-1252 leaves undefined, "
     "at character 12: \"A1 1004 Sta\x81tistica\"",
     {ExamLine("A1 1004 Sta\x81tistica")}},
    // A title line whose separator before the title was lost: the card shows "iceo Artistico".
    {"malformed-table-line titoli.grp 3/0: separator at character 5 holds \"L\", a letter or "
     "digit: the code runs into it, or the name begins there and loses it: \"3 LALiceo "
     "Artistico\"",
     {TitleLine("3 LALiceo Artistico")}},
    // The same with an accented letter of Windows-1252 ("Educazione" shown as "ducazione").
    {"malformed-table-line titoli.grp 3/0: separator at character 5 holds \"\xc3\x89\", a letter "
     "or digit: the code runs into it, or the name begins there and loses it: \"3 ED\xc3\x89"
     "ducazione Tecnica\"",
     {TitleLine("3 ED\xC9"
                "ducazione Tecnica")}},
    // A title holding a NUL byte.
    {"malformed-table-line titoli.grp 3/0",
     {TitleText(std::string("3 XY Liceo\0 Artistico\r\n", 23))}},
    {"malformed-table-line esami.grp 4/0: UTF-8 text, where the tables are Windows-1252: \"A1 "
     "1004 Contabilit\xc3\x83\xc2\xa0 Pubblica\"",
     {ExamLine("A1 1004 Contabilit\xc3\xa0 Pubblica")}},
    {"malformed-table-line esami.grp 4/0: code \"Q*RS\" holds \"*\"",
     {ExamLine("A1 Q*RS Statistica")}},
    // A title line without a title.
    {"malformed-table-line titoli.grp 1/0", {Titles("1 XX\n" + DataSet().titleTable)}},
    // No title to know SC by: the students' diploma codes are unknown as well.
    {"malformed-table-line titoli.grp 0/0: the table has no lines", {Titles("")}},
    // Blank lines alone (an editor's save gone wrong) are no empty file.
    {"malformed-table-line titoli.grp 0/0: the table holds only blank lines",
     {Titles("\r\n  \r\n")}},
    // The end-of-file mark of DOS programs alone makes no line; after blank lines, it adds none.
    {"malformed-table-line titoli.grp 0/0: the table has no lines", {Titles("\x1a")}},
    {"malformed-table-line titoli.grp 0/0: the table holds only blank lines",
     {Titles("\r\n\x1a\r\n\r\n")}},
    {"repeated-table-code esami.grp 2/4: code \"1002\"", {ExamLine("A1 1002 Economia II")}},
    // Both record files missing: the runs into a missing file are not reported one by one.
    {"missing-file esami.dir 0/0",
     {Missing(&DataFileContents::exams), Missing(&DataFileContents::years)},
     2},
    // Nor the exams after the chart's end that the missing career years move it to.
    {"missing-file velmara.dir 0/0",
     {Registry(1, 30, "000000"), Missing(&DataFileContents::years)}},
    // An empty file reads as a missing one: it is reported alone, as one, with what it is.
    {"missing-file esami.dir 0/0: empty file",
     {[](DataSet& d) { d.exams.clear(); }, Missing(&DataFileContents::years)},
     2},
    // A count cut short (2 read as 1): the student's last exam is on no card.
    {"unreached-records esami.dir 4/0: 1 record, after the run of registry record 2 (records 3-3)",
     {Registry(1, 45, " 1")}},
    // The year file cut short, a student still enrolled.
    {"run-past-end elenco.dir 2/0: velmara.dir records 3-4, the file has 2",
     {Registry(1, 30, "000000"), [](DataSet& d) { d.years.resize(2); }},
     2},
};

TEST(DataCheck, EachBreakageIsReportedAsItsKindWithWhereAndWhat) {
    for (const Breakage& breakage : kBreakages) {
        SCOPED_TRACE(breakage.first);
        const CheckReport report = CheckDataFiles(Changed(breakage.changes).Files(), kToday);
        // Nothing else is reported, except the unknown diploma codes of an empty title table.
        std::vector<ProblemKind> kinds = KindsFound(report);
        if (breakage.first.starts_with("malformed-table-line titoli.grp 0/0"))
            std::erase(kinds, kUnknownDiplomaCode);
        // (A registry out of order has records that lookups miss: see NeverFound... below.)
        if (breakage.first.starts_with("registry-order")) std::erase(kinds, kNeverFound);
        // (A run moved, emptied or cut short leaves records that no run reaches: see
        // UnreachedRecords... below.)
        if (!breakage.first.starts_with("unreached-records")) std::erase(kinds, kUnreachedRecords);
        ASSERT_EQ(kinds.size(), 1u) << ::testing::PrintToString(Findings(report));
        const ProblemGroup& group = report.Group(kinds.front());
        EXPECT_EQ(group.count, breakage.count);
        // The first ten are kept as findings, the rest only counted.
        EXPECT_EQ(group.first.size(), std::min<std::size_t>(group.count, 10));
        const bool withFound = breakage.first.find(": ") != std::string::npos;
        EXPECT_EQ(Described(kinds.front(), group.first.front(), withFound), breakage.first);
    }
}

// A byte-order mark that an editor put before the first line is named as such, whatever else
// it moves (the first line's group and code); so is a table saved as UTF-16 (Notepad's
// "Unicode", either byte order), whose every line then holds NUL bytes.
TEST(DataCheck, AByteOrderMarkIsNamed) {
    DataSet set;
    const std::string table = set.examTable;
    const auto utf16 = [&table](bool littleEndian) {
        std::string wide = littleEndian ? "\xFF\xFE" : "\xFE\xFF";
        for (const char c : table)
            wide += littleEndian ? std::string{c, '\0'} : std::string{'\0', c};
        return wide;
    };
    for (const auto& [marked, mark] : {std::pair{"\xEF\xBB\xBF" + table, "UTF-8"},
                                       {utf16(true), "UTF-16"},
                                       {utf16(false), "UTF-16"}}) {
        SCOPED_TRACE(::testing::PrintToString(marked.substr(0, 3)));
        set.examTable = marked;
        const ProblemGroup group = CheckDataFiles(set.Files(), kToday).Group(kMalformedTableLine);
        ASSERT_FALSE(group.first.empty());
        EXPECT_TRUE(mark != std::string("UTF-8") || group.count == 1u) << group.count;
        EXPECT_TRUE(Described(kMalformedTableLine, group.first.front())
                        .starts_with("malformed-table-line esami.grp 1/0: starts with a " +
                                     std::string(mark) + " byte-order mark"));
    }
}

// A key repeated away from its first record, the registry out of order between them, names
// both records; each repetition names the one before it, and the record a lookup finds: none
// here, as the last key is below them all. Keys that are no numbers, and a blank one, are bad
// keys, none a repetition of another.
TEST(DataCheck, RepeatedKeysAreNamedWhereverTheyStand) {
    DataSet set;
    for (const char* key : {"00010", "00020", "00010", "abcde", "xyzzy", "     "})
        set.registry.push_back(With(RegistryText(40), 1, key));
    const CheckReport report = CheckDataFiles(set.Files(), kToday);
    const auto keys = [](const char* key) {
        return std::string(": keys \"") + key + "\" and \"" + key + "\": a lookup of " +
               std::to_string(std::stoi(key)) + " finds no record";
    };
    EXPECT_EQ(FindingsOf(report, kRepeatedKey),
              (std::vector<std::string>{"repeated-key elenco.dir 1/4" + keys("00010"),
                                        "repeated-key elenco.dir 2/5" + keys("00020"),
                                        "repeated-key elenco.dir 4/6" + keys("00010")}));
    EXPECT_EQ(report.Group(kBadKey).count, 3u);
    // The last key, blank, is below all others: no lookup finds any student.
    EXPECT_EQ(report.Group(kRegistryOrder).count, 4u);
    EXPECT_EQ(FindingsOf(report, kRegistryOrder).back(),
              "registry-order elenco.dir 9/0: last key \"     \": no lookup takes a higher one, so "
              "6 records are never found (the highest key, \"00030\", is record 3)");
}

// A registry's last slot cut short is a record when lookups count it, the length / 62 rounded
// half to even reaching it; otherwise it is reported cut short and checked as no student.
TEST(DataCheck, ALastRegistrySlotLookupsDoNotCountIsNoStudent) {
    for (const auto& [records, bytes, read] :
         {std::tuple{3, 30, false}, {3, 31, true}, {2, 31, false}, {2, 32, true}}) {
        SCOPED_TRACE(std::to_string(records) + " records and " + std::to_string(bytes));
        DataSet set;
        set.registry.resize(static_cast<std::size_t>(records));
        DataFileContents files = set.Files();
        files.registry += testdata::Slot(RegistryText(40), kRegistrySlotSize).substr(0, bytes);
        const CheckReport report = CheckDataFiles(files, kToday);
        const ProblemGroup& partial = report.Group(kPartialSlot);
        ASSERT_EQ(partial.count, 1u);
        EXPECT_EQ(partial.first.front().record, records + 1);
        EXPECT_EQ(
            partial.first.front().found,
            std::to_string(bytes) + " of 62 bytes" +
                (read ? "" : ", no record: lookups read records 1-" + std::to_string(records)));
        EXPECT_EQ(report.Group(kShortRecord).count, read ? 1u : 0u);
    }
}

// A record cut short, or a field that is not what it should be, is noted, and what the card
// still reads from it is checked as the card reads it.
TEST(DataCheck, RecordsCutShortOrMalformedAreCheckedAsTheCardReadsThem) {
    DataSet set;
    // Enrolled "9698": the chart still begins on 1 November 1996, after this exam.
    set.registry[0] = With(set.registry[0], 18, "9698");
    set.exams[0] = With(set.exams[0], 7, "961031");
    // An exam record without the last digit of its date, whose code is not in the table: the
    // card reads 1 October 1996, before the chart begins.
    set.exams[4] = "10041896101";
    // A registry text without positions 31-44 (the degree's fields), with an unknown diploma.
    set.registry[1] = With(set.registry[1].substr(0, 30) + set.registry[1].substr(44), 22, "99");
    // One that ends with its degree date, which is still read: not a date.
    const std::string third = With(set.registry[2], 30, "031315");
    set.registry[2] = third.substr(0, 35) + third.substr(third.size() - 14);
    // The last career year of student 20 cut to its first digit: read as the year 9.
    set.years[3].resize(3);
    EXPECT_EQ(Findings(CheckDataFiles(set.Files(), kToday), false),
              (std::vector<std::string>{
                  "short-record elenco.dir 2/0", "short-record elenco.dir 3/0",
                  "short-record esami.dir 5/0", "short-record velmara.dir 4/0",
                  "bad-date elenco.dir 1/0", "bad-date velmara.dir 4/0", "bad-date elenco.dir 3/0",
                  "exam-before-enrolment elenco.dir 1/0", "exam-before-enrolment elenco.dir 3/0",
                  "unknown-exam-code esami.dir 5/0", "unknown-diploma-code elenco.dir 2/0"}));
}

// A grade is a mark the averages count, "31" with honours, or any text after "31" for a pass
// without a mark; the rest the card prints as it stands and leaves out of the averages (or
// counts at half weight for a module). A record cut within its grade is judged by what is left
// of it; one that ends with its code has no grade to judge.
TEST(DataCheck, GradesTheAveragesCannotCountAreNamed) {
    const DataSet marks = Changed({Exam(0, 5, "31"), Exam(1, 5, "ID"), Exam(2, 5, "99"),
                                   Exam(3, 5, "18"), Exam(4, 5, "32"), Exam(5, 5, "4 ")});
    EXPECT_TRUE(CheckDataFiles(marks.Files(), kToday).Clean());

    DataSet set = Changed(
        {Exam(0, 5, "17"), Exam(1, 5, "2 "), Exam(2, 5, " 9"), Exam(3, 5, "1x"), Exam(4, 5, "+2")});
    for (const char* last : {"10033", "1003"}) {
        set.exams[5] = last;
        const CheckReport report = CheckDataFiles(set.Files(), kToday);
        std::vector<std::string> bad;
        for (int i = 1; i <= 6; ++i)
            bad.push_back("bad-grade esami.dir " + std::to_string(i) + "/0: grade \"" +
                          set.exams[i - 1].substr(4, 2) + "\"");
        if (set.exams[5].size() == 4) bad.pop_back();
        EXPECT_EQ(FindingsOf(report, kBadGrade), bad);
        EXPECT_EQ(FindingsOf(report, kShortRecord, false),
                  std::vector<std::string>{"short-record esami.dir 6/0"});
    }
}

// A module weighs half whatever its grade, counted as the number the grade begins with: a pass
// without a mark written as a number ("99") lifts the averages, and is named; one in letters
// counts 0, as the card's rules mean it to. What the check takes for a module is what the card
// weighs so: the first line of a code, a name holding "(MOD" as written, a class other than 0.
TEST(DataCheck, ModulesPassedWithoutAMarkThatCountAsANumberAreNamed) {
    DataSet set =
        Changed({ExamLine("A1 1004 Matematica (MOD. A)"), ExamLine("00 1005 Tirocinio (MOD. B)"),
                 ExamLine("LZ 1001 Statistica (MOD. C)"), ExamLine("A1 1006 Fisica (mod. 1)"),
                 Exam(0, 1, "100499"), Exam(1, 1, "10044x"), Exam(2, 1, "1004ID"),
                 Exam(3, 1, "100599"), Exam(4, 1, "100199"), Exam(5, 1, "100699")});
    const CheckReport report = CheckDataFiles(set.Files(), kToday);
    EXPECT_EQ(
        FindingsOf(report, kModulePassCounted),
        (std::vector<std::string>{
            "module-pass-counted esami.dir 1/0: grade \"99\" of module \"1004\", counted as 99",
            "module-pass-counted esami.dir 2/0: grade \"4x\" of module \"1004\", counted as 4"}));
    // The same exams as the card reads them: the named ones, and only they, weigh half with a
    // number counted for a pass without a mark.
    const CodeTable table = BuildCodeTable(SplitLines(set.examTable), kExamTableLayout);
    std::vector<std::int64_t> countedOnTheCard, named;
    for (std::size_t i = 0; i < set.exams.size(); ++i) {
        const ExamRow row = ReadExamRow(ExamRecord(set.exams[i]), table);
        if (row.ExamWeight == 0.5 && row.GradeText == "idoneo" && row.GradeValue != 0)
            countedOnTheCard.push_back(static_cast<std::int64_t>(i + 1));
    }
    for (const Finding& finding : report.Group(kModulePassCounted).first)
        named.push_back(finding.record);
    EXPECT_EQ(named, countedOnTheCard);
}

// The part of a run that lies in its file is the student's, as on the card: it may overlap
// another run, its exams are checked against the career, and its last record, when in the
// file, is the last career year. Later exams of a student still enrolled than the day the
// check is made are past the chart's end too.
TEST(DataCheck, RunsReachingOutOfTheirFileAndExamsAfterTodayAreCheckedAsTheCardDrawsThem) {
    // Student 20, still enrolled, last career year "02" (in record 3): the chart ends
    // 31 May 2003, after its exam of 15 January 2003. Its year run begins at record -1.
    // Student 30's exam run, records 6-9, holds one record of the file, dated after graduation.
    DataSet set =
        Changed({Student(1, With(RegistryText(20, 2, 5, 3, -1), 30, "000000")), Year(2, 3, "02"),
                 Dated(3, "030115"), Student(2, RegistryText(30, 4, 2, 6, 5)), Dated(5, "030716")});
    std::vector<std::string> expected{
        "run-before-first-record elenco.dir 2/0: velmara.dir records -1 to 3",
        "run-past-end elenco.dir 3/0: esami.dir records 6-9, the file has 6",
        "run-overlap elenco.dir 1/2: velmara.dir records 1-2 and 1-3",
        // Student 30's runs moved on, leaving records behind.
        "unreached-records esami.dir 5/0: 1 record, after the run of registry record 2 (records "
        "3-4)",
        "unreached-records velmara.dir 4/0: 1 record, after the run of registry record 2 "
        "(records 1-3)",
        "exam-after-graduation elenco.dir 3/0: esami.dir record 6 dated \"030716\", graduated "
        "\"030715\""};
    EXPECT_EQ(Findings(CheckDataFiles(set.Files(), kToday)), expected);

    // Drawn on 1 January 2003, the card of student 20 ends its chart that day; students 10 and
    // 30 have a degree date still to come.
    std::vector<std::string> early = expected;
    early.insert(early.begin() + 5,
                 {"bad-date elenco.dir 1/0: degree date \"030715\", after today, 2003-01-01",
                  "bad-date elenco.dir 3/0: degree date \"030715\", after today, 2003-01-01"});
    early.push_back(
        "exam-after-expected-end elenco.dir 2/0: esami.dir record 4 dated \"030115\", still "
        "enrolled, last career year \"02\": the chart ends today, 2003-01-01");
    EXPECT_EQ(Findings(CheckDataFiles(set.Files(), std::chrono::year(2003) / 1 / 1)), early);

    // With the last career year 29 the chart ends 31 May 2030, not 1930: drawn on 1 November
    // 2029, it ends that day, after the exam of October 2029.
    Year(2, 3, "29")(set);
    Dated(3, "291001")(set);
    EXPECT_EQ(Findings(CheckDataFiles(set.Files(), std::chrono::year(2029) / 11 / 1)), expected);
}

// Records that no run reaches, left behind by a count cut short or a student removed, are named
// by the run that reaches furthest before them, a run inside another making no gap; those before
// every run, and after the last, too. A last slot cut short is a finding of its own, and a
// missing file has no records to leave behind.
TEST(DataCheck, UnreachedRecordsAreNamedAfterTheRunBeforeThem) {
    DataSet set;
    set.registry = {RegistryText(10, 3, 2, 2, 1), RegistryText(20, 1, 2, 3, 3),
                    RegistryText(30, 1, 2, 7, 5)};
    set.exams.insert(set.exams.end(), 2, set.exams.back());
    DataFileContents files = set.Files();
    files.exams->append(std::string("\x03\x00", 2) + "100");
    files.years.reset();
    const CheckReport report = CheckDataFiles(files, kToday);
    EXPECT_EQ(FindingsOf(report, kUnreachedRecords),
              (std::vector<std::string>{
                  "unreached-records esami.dir 1/0: 1 record, before every run",
                  "unreached-records esami.dir 5/0: 2 records (5-6), after the run of "
                  "registry record 1 (records 2-4)",
                  "unreached-records esami.dir 8/0: 1 record, after the run of registry record "
                  "3 (records 7-7)"}));
    EXPECT_EQ(report.Group(kPartialSlot).count, 1u);
}

// Writes the files into dir, the record files only where present.
void WriteDataDir(const testdata::TempDataDir& dir, const DataFileContents& files) {
    dir.Write("titoli.grp", files.titleTable);
    dir.Write("esami.grp", files.examTable);
    dir.Write("elenco.dir", files.registry);
    if (files.exams) dir.Write("esami.dir", *files.exams);
    if (files.years) dir.Write("velmara.dir", *files.years);
}

// The report of files checked from a folder they are written into, which must be the report
// of the files checked in memory: reading and checking in one go (the registry read while the
// other files are checked) reports what reading and then checking reports.
CheckReport CheckedFromDir(const DataFileContents& files) {
    const testdata::TempDataDir dir;
    WriteDataDir(dir, files);
    const Result<CheckReport> checked = CheckDataDir(dir.DataDir(), kToday);
    const CheckReport expected = CheckDataFiles(files, kToday);
    EXPECT_TRUE(checked.ok()) << checked.error().Message();
    for (const ProblemKind kind : AllProblemKinds())
        EXPECT_TRUE(checked.ok() && checked->Group(kind) == expected.Group(kind))
            << ProblemKindId(kind);
    return expected;
}

// A record is never found exactly when a lookup of its key finds no student: a registry out
// of order (records swapped, a key blanked, one typed too high, one added at the end below
// the others), each record's key looked up as the window looks it up.
TEST(DataCheck, NeverFoundAreTheRecordsWhoseKeyALookupMisses) {
    DataSet set;
    set.registry.clear();
    for (int key = 1; key <= 300; ++key)
        set.registry.push_back(RegistryText(key));
    for (const auto& [a, b] : {std::pair{4, 5}, {40, 90}, {150, 151}, {200, 299}})
        std::swap(set.registry[a], set.registry[b]);
    set.registry[120] = With(RegistryText(121), 1, "     ");
    set.registry[250] = With(RegistryText(251), 1, "25100");
    for (const bool addedBelow : {false, true}) {
        if (addedBelow) set.registry.push_back(RegistryText(260));
        const testdata::TempDataDir dir;
        WriteDataDir(dir, set.Files());
        const Result<CheckReport> report = CheckDataDir(dir.DataDir(), kToday);
        Result<DataStore> store = DataStore::LoadTables(dir.DataDir());
        ASSERT_TRUE(report.ok() && store.ok());
        const Result<DataStore::RegistryBounds> bounds = store->CurrentRegistryBounds();
        ASSERT_TRUE(bounds.ok());
        std::vector<std::string> missed;
        std::size_t count = 0;
        for (std::size_t i = 0; i < set.registry.size(); ++i) {
            const std::int32_t key = RecordKey(set.registry[i]);
            if (key < 1) continue;
            const Result<SearchOutcome> found =
                SearchRegistry(store->Registry(), bounds->count, bounds->lastKey, key);
            ASSERT_TRUE(found.ok());
            if (!found->record.empty()) continue;
            if (++count <= CheckReport::kFindingsKept)
                missed.push_back("never-found elenco.dir " + std::to_string(i + 1) + "/0");
        }
        EXPECT_GT(count, addedBelow ? 40u : 3u);  // the keys above 260 among them
        EXPECT_EQ(report->Group(kNeverFound).count, count);
        EXPECT_EQ(FindingsOf(*report, kNeverFound, false), missed);
    }
}

// A table far beyond any real one (a million empty lines an editor appended, a file of 64 MiB)
// is refused at load, naming the file and what is wrong, by the check as by the card and the
// window, instead of being split into gigabytes of lines. Lines ended by CR and LF in turn:
// each is a line end of its own.
TEST(DataCheck, ATableFarBeyondAnyRealOneIsRefusedAtLoad) {
    std::string endsInTurn;
    for (std::size_t line = 0; line <= kMostTableLines / 2; ++line)
        endsInTurn += "a\rb\n";
    for (const auto& [name, added, reason] :
         {std::tuple{kExamTableName, std::string(kMostTableLines + 1, '\n'),
                     "holds more than 1,000,000 lines"},
          std::tuple{kExamTableName, endsInTurn, "holds more than 1,000,000 lines"},
          std::tuple{kTitleTableName, std::string(kLargestTable, 'x') + "\r\n",
                     "holds more than 64 MiB"}}) {
        SCOPED_TRACE(std::string(name));
        DataSet set;
        (name == kExamTableName ? set.examTable : set.titleTable) += added;
        const testdata::TempDataDir dir;
        WriteDataDir(dir, set.Files());
        const Result<CheckReport> report = CheckDataDir(dir.DataDir(), kToday);
        const Result<DataStore> store = DataStore::LoadTables(dir.DataDir());
        ASSERT_FALSE(report.ok() || store.ok());
        for (const Error& error : {report.error(), store.error()}) {
            EXPECT_EQ(error.file, dir.DataDir() + std::string(name));
            EXPECT_TRUE(error.reason.starts_with(reason)) << error.reason;
        }
    }
}

// Findings of one kind in several files come in one order: the registry's slots and its
// students first (a fault there costs a whole card), then the exam and year records.
// Filled to its slot with blanks, a registry text read past its length is the same text.
TEST(DataCheck, FindingsOfOneKindComeInFileOrder) {
    DataSet set = Changed({Dated(2, "970229"), Registry(0, 30, "031315")});
    set.registry[2] += "  ";
    DataFileContents files = set.Files();
    files.years->at(kYearSlotSize) = 15;
    files.exams->at(0) = 16;
    files.registry.at(kRegistrySlotSize * 2) = 61;
    EXPECT_EQ(Findings(CheckDataFiles(files, kToday), false),
              (std::vector<std::string>{"length-past-slot elenco.dir 3/0",
                                        "length-past-slot esami.dir 1/0",
                                        "length-past-slot velmara.dir 2/0",
                                        "bad-date elenco.dir 1/0", "bad-date esami.dir 3/0"}));
}

// The files are checked in blocks (of 4096 registry records, of 16384 exam or year records), each
// on whichever thread is free: problems across the edges of blocks are found as anywhere else,
// and in file order, from a directory as from the files.
TEST(DataCheck, FindingsAcrossTheBlocksOfEachFile) {
    DataSet set;
    set.registry.clear();
    for (int n = 1; n <= 12400; ++n)  // blocks of 4096 records, the last 12289-12400
        set.registry.push_back(RegistryText(n));
    // Keys out of order across an edge: the two records on either side of it are named.
    std::swap(set.registry[12287], set.registry[12288]);
    // Keys repeated across the edges of blocks, and students with an unknown diploma in each:
    // 15 of them, of which the report keeps the first 10 in file order, from two blocks.
    const std::vector<std::int64_t> repeated = {4096, 2 * 4096};
    for (const std::int64_t edge : repeated)
        set.registry[static_cast<std::size_t>(edge)] = RegistryText(static_cast<int>(edge));
    std::vector<std::int64_t> unknownDiploma;
    for (const std::int64_t first : {3991, 4097, 8193})
        for (std::int64_t n = first; n < first + (first == 8193 ? 3 : 6); ++n) {
            unknownDiploma.push_back(n);
            Registry(static_cast<int>(n - 1), 22, "99")(set);
        }
    // Exam codes missing from the table, and a year record cut short, at the edges of blocks.
    set.exams.assign(40000, set.exams.front());
    const std::vector<std::int64_t> unknownCode = {16384, 16385, 2 * 16384 + 1};
    for (const std::int64_t n : unknownCode)
        Exam(static_cast<int>(n - 1), 1, "9999")(set);
    set.years.assign(20000, set.years.front());
    set.years[16384].resize(3);
    const CheckReport report = CheckedFromDir(set.Files());
    const auto recordsOf = [&report](ProblemKind kind) {
        std::vector<std::int64_t> records;
        for (const Finding& finding : report.Group(kind).first)
            records.push_back(finding.record);
        return records;
    };
    EXPECT_EQ(recordsOf(kRepeatedKey), repeated);
    EXPECT_EQ(report.Group(kUnknownDiplomaCode).count, unknownDiploma.size());
    unknownDiploma.resize(10);
    EXPECT_EQ(recordsOf(kUnknownDiplomaCode), unknownDiploma);
    EXPECT_EQ(recordsOf(kUnknownExamCode), unknownCode);
    EXPECT_EQ(recordsOf(kShortRecord), std::vector<std::int64_t>{16385});
    EXPECT_EQ(FindingsOf(report, kRegistryOrder, false),
              std::vector<std::string>{"registry-order elenco.dir 12288/12289"});
    // And the records lookups miss, and the exam and year records that no student's run reaches.
    EXPECT_EQ(KindsFound(report).size(), 7u);
}

// Past the first 10 findings of each kind, exams outside a career are only counted, several at
// a time: an undated exam, and one on the graduation day, count as neither. Twelve students
// share one run, and their years.
TEST(DataCheck, ExamsOutsideACareerAreCountedAlikePastTheFindingsKept) {
    DataSet set;
    set.registry.clear();
    for (int key = 1; key <= 12; ++key)
        set.registry.push_back(RegistryText(key, 2, 2, 1, 1));
    // An exam between two undated ones is in order with both.
    set.registry.push_back(RegistryText(13, 3, 2, 3, 1));
    // Exams on the day the chart begins and on the graduation day are within the career.
    set.registry.push_back(RegistryText(14, 2, 0, 6, 0));
    set.exams.push_back(set.exams.back());
    const char* dates[] = {"030716", "960101", "970229", "030715", "990231", "961101", "030715"};
    for (int record = 0; record < 7; ++record)
        Dated(record, dates[record])(set);
    const CheckReport report = CheckDataFiles(set.Files(), kToday);
    for (const ProblemKind kind : {kExamBeforeEnrolment, kExamAfterGraduation, kExamOutOfOrder})
        EXPECT_EQ(report.Group(kind).count, 12u) << ProblemKindId(kind);
    // The first ten kept, in registry order; 11 exam runs and 12 year runs overlap another.
    std::vector<std::string> kept;
    for (int n = 1; n <= 10; ++n)
        kept.push_back("exam-before-enrolment elenco.dir " + std::to_string(n) + "/0");
    EXPECT_EQ(FindingsOf(report, kExamBeforeEnrolment, false), kept);
    EXPECT_EQ(report.Group(kExamAfterGraduation).first.size(), 10u);
    EXPECT_EQ(report.Group(kRunOverlap).count, 23u);
}

// Each dated exam is compared with the dated exam listed before it, undated ones passed over;
// exams of one day are in order. Past the first ten findings of each kind, where they are only
// counted, the counts are the same: each run also holds an exam before enrolment, first, and
// one after graduation, last.
TEST(DataCheck, AnExamIsOutOfOrderWhenDatedBeforeTheDatedExamBeforeIt) {
    // The dates of one student's exams between those two, and the records out of order.
    const std::pair<std::vector<std::string>, std::vector<std::int64_t>> cases[] = {
        {{"990101", "980101", "980101"}, {3}},           {{"970101", "990101", "980101"}, {4}},
        {{"970101", "990101", "991301", "980101"}, {5}}, {{"991301", "980101", "970201"}, {4}},
        {{"990101", "980101", "970201"}, {3, 4}},
    };
    for (const auto& [between, outOfOrder] : cases) {
        SCOPED_TRACE(::testing::PrintToString(between));
        DataSet set;
        set.exams = {"100128960101000"};
        for (const std::string& date : between)
            set.exams.push_back("100128" + date + "000");
        set.exams.push_back("100128030716000");
        set.registry.clear();
        for (int key = 1; key <= 12; ++key) {
            set.registry.push_back(RegistryText(key, static_cast<int>(set.exams.size()), 2, 1, 1));
            const ProblemGroup found = CheckDataFiles(set.Files(), kToday).Group(kExamOutOfOrder);
            EXPECT_EQ(found.count, outOfOrder.size() * set.registry.size());
            std::vector<std::int64_t> records;  // of the first student, "esami.dir record N"
            for (std::size_t i = 0; i < outOfOrder.size(); ++i)
                records.push_back(std::stoll(found.first.at(i).found.substr(17)));
            EXPECT_EQ(records, outOfOrder);
        }
    }
}

// The named codes are those a class rule puts in class 0 to 3, and CF, whose class is the
// default 4: any other code ("a1", "ZQ") is reported.
TEST(DataCheck, NamedGroupCodesAreThoseWithAClassOfTheirOwnAndCF) {
    const std::string characters = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZab ";
    for (const char a : characters) {
        for (const char b : characters) {
            const std::string group{a, b};
            EXPECT_EQ(IsNamedGroupCode(group), ClassOfGroup(group) != 4 || group == "CF") << group;
        }
    }
}

// Checking a directory fails on the file that reading fails on; otherwise it reports what
// checking the files read reports: problems in the tables and in each record file, and a
// missing file.
TEST(DataCheck, CheckingADirectoryReportsAsReadingThenChecking) {
    for (const DataSet& set :
         {Changed({ExamLine("A1 1002 Economia II"), Registry(1, 22, "99"),
                   Student(2, RegistryText(30, 2, 3, 5, 5)), Exam(4, 1, "1004")}),
          Changed({Missing(&DataFileContents::years)})})
        EXPECT_FALSE(CheckedFromDir(set.Files()).Clean());

    // Files that cannot be read (a folder in a file's place, or no file; a pipe, which would
    // wait for a writer for ever) or a registry without records (""), and the one named.
    const std::tuple<std::vector<std::string>, const char*, std::string> kFailures[] = {
        {{"titoli.grp", "elenco.dir"}, "titoli.grp", "folder"},
        {{"esami.dir", "elenco.dir"}, "elenco.dir", "folder"},
        {{"velmara.dir", "esami.dir"}, "esami.dir", "folder"},
        {{"velmara.dir"}, "velmara.dir", "folder"},
        {{"elenco.dir"}, "elenco.dir", ""},
        {{"esami.grp"}, "esami.grp", "pipe"},
        {{"elenco.dir"}, "elenco.dir", "pipe"},
    };
    for (const auto& [unreadable, named, instead] : kFailures) {
        const testdata::TempDataDir dir;
        WriteDataDir(dir, DataSet().Files());
        for (const std::string& name : unreadable) {
            std::filesystem::remove(dir.PathOf(name));
            ASSERT_TRUE(instead != "pipe" || ::mkfifo(dir.PathOf(name).c_str(), 0600) == 0);
            if (instead == "") dir.Write(name, "");
            if (instead == "folder" && name != "elenco.dir")
                std::filesystem::create_directory(dir.PathOf(name));
        }
        const Result<CheckReport> checked = CheckDataDir(dir.DataDir(), kToday);
        ASSERT_FALSE(checked.ok()) << named;
        EXPECT_EQ(checked.error().file, dir.PathOf(named));
        EXPECT_EQ(checked.error().file, ReadDataFiles(dir.DataDir()).error().file);
    }
}

}  // namespace
}  // namespace velmaro
