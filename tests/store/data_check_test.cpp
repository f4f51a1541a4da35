// The data check: one sound data set, and one breakage of it for every kind of problem.

#include "store/data_check.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <functional>
#include <string>
#include <tuple>
#include <vector>

#include "render/classify_exam.h"
#include "store/data_store.h"
#include "store/table_check.h"
#include "tests/store/data_files.h"

namespace velmaro {
namespace {

using testdata::RegistryText;
using testdata::Slots;

// The day the cards are drawn: after every career of the data sets below.
constexpr std::chrono::year_month_day kToday{std::chrono::year(2025), std::chrono::October,
                                             std::chrono::day(20)};

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

    DataFileContents Files() const {
        return {Slots(registry, kRegistrySlotSize), examTable, titleTable,
                Slots(exams, kExamSlotSize), Slots(years, kYearSlotSize)};
    }
};

// text with value written over it from the 1-based position on.
std::string With(std::string text, std::size_t position, const std::string& value) {
    return text.replace(position - 1, value.size(), value);
}

// A data set changed by change.
DataFileContents Changed(const std::function<void(DataSet&)>& change) {
    DataSet set;
    change(set);
    return set.Files();
}

std::vector<ProblemKind> KindsFound(const CheckReport& report) {
    std::vector<ProblemKind> kinds;
    for (const ProblemKind kind : AllProblemKinds()) {
        if (report.Group(kind).count != 0) kinds.push_back(kind);
    }
    return kinds;
}

// What a report holds, kind by kind: "<kind> <file> <record>/<other record>", then ": <found>"
// when withFound.
std::vector<std::string> Findings(const CheckReport& report, bool withFound = true) {
    std::vector<std::string> found;
    for (const ProblemKind kind : KindsFound(report)) {
        for (const Finding& finding : report.Group(kind).first)
            found.push_back(std::string(ProblemKindId(kind)) + " " + finding.file + " " +
                            std::to_string(finding.record) + "/" +
                            std::to_string(finding.otherRecord) +
                            (withFound ? ": " + finding.found : ""));
    }
    return found;
}

TEST(DataCheck, SoundDataAndItsBoundariesAreClean) {
    const std::function<void(DataSet&)> sound[] = {
        [](DataSet&) {},
        // Exams on the day the chart begins and on the graduation day.
        [](DataSet& d) { d.exams[0] = With(d.exams[0], 7, "961101"); },
        [](DataSet& d) { d.exams[1] = With(d.exams[1], 7, "030715"); },
        // (Trailing blanks after a registry text, and a 12-character exam record, are held by
        // the committed sample, which the check finds clean: SampleData.CommittedSet...)
        // A run of no records may start anywhere.
        [](DataSet& d) { d.registry[2] = RegistryText(30, 0, 2, 0, 5); },
        // Without the three unused characters a registry text still holds every field.
        [](DataSet& d) { d.registry[0] = d.registry[0].substr(0, 41) + d.registry[0].substr(44); },
        // Not graduated: the chart of its two exams ends on 31 May after its last career year.
        [](DataSet& d) {
            d.registry[1] = With(d.registry[1], 30, "000000");
            d.exams[3] = With(d.exams[3], 7, "980531");
        },
        // Counts read as the card reads them: a sign, a tab.
        [](DataSet& d) {
            d.registry[0] = With(d.registry[0], 45, "+2");
            d.registry[1] = With(d.registry[1], 47, "\t2");
        },
        // A name of one character is a name; accented letters are Windows-1252's, also where
        // one and the symbol after it would make a UTF-8 sequence ("Ù" and a no-break space,
        // "É" and a closing quote); tabs in a title line's separator columns are not shown.
        [](DataSet& d) {
            d.examTable += "A1 1004X\r\nA1 1005 Contabilit\xe0 Pubblica\r\n";
            d.titleTable += "3 PI Perito PI\xD9\xA0PERCH\xC9\x94\r\n4\tTA\tLiceo Tecnico\r\n";
        },
        // Enrolled for the academic year to come, and checked before it begins: only today
        // comes before the chart's beginning.
        [](DataSet& d) {
            d.registry[1] = With(With(RegistryText(20, 0, 2, 3, 3), 18, "2526"), 30, "000000");
            d.years[3] = With(d.years[3], 3, "25");
        },
        // Empty lines, or blanks alone, after a table's last entry move no entry.
        [](DataSet& d) {
            d.examTable += "\r\n   \r\n";
            d.titleTable += "\n\n";
        },
    };
    for (std::size_t i = 0; i < std::size(sound); ++i) {
        const CheckReport report = CheckDataFiles(Changed(sound[i]), kToday);
        EXPECT_TRUE(report.Clean())
            << "case " << i << ": " << ::testing::PrintToString(Findings(report));
    }
}

// A change of the sound data set, or of its files' bytes, and the one problem it makes: its
// kind, count and first finding (whose found text is compared when not empty).
struct Breakage {
    const char* name;
    ProblemKind kind;
    std::size_t count;
    std::string file;
    std::int64_t record, otherRecord;
    std::string found;
    void (*change)(DataSet&);
    void (*changeBytes)(DataFileContents&) = nullptr;
};

using enum ProblemKind;

const Breakage kBreakages[] = {
    // Two findings: the two records, and the last record's key, above which no lookup goes.
    {"keys out of order", kRegistryOrder, 2, "elenco.dir", 2, 3, "keys \"00030\" and \"00020\"",
     [](DataSet& d) { std::swap(d.registry[1], d.registry[2]); }},
    {"a key repeated", kRepeatedKey, 1, "elenco.dir", 2, 3, "",
     [](DataSet& d) { d.registry[2] = With(d.registry[2], 1, "00020"); }},
    {"a key that is not a number", kBadKey, 1, "elenco.dir", 1, 0, "key \"-0.1x\"",
     [](DataSet& d) { d.registry[0] = With(d.registry[0], 1, "-0.1x"); }},
    {"a length field past the slot", kLengthPastSlot, 1, "esami.dir", 2, 0,
     "length field 16, the slot holds 15", nullptr,
     [](DataFileContents& files) { files.exams->at(kExamSlotSize) = 16; }},
    {"a file ending inside a slot", kPartialSlot, 1, "velmara.dir", 7, 0, "6 of 16 bytes", nullptr,
     [](DataFileContents& files) {
         *files.years += testdata::Slot("0097", kYearSlotSize).substr(0, 6);
     }},
    // Registry and exam records cut short: see RecordsCutShortOrMalformedAreChecked... below.
    {"a year record without its year", kShortRecord, 1, "velmara.dir", 5, 0, "",
     [](DataSet& d) { d.years[4].resize(3); }},
    // Five ways a count is bad, each one finding: negative, fractional, a sign without digits
    // or after them, blanks (which read as no records).
    {"bad counts", kBadCount, 5, "elenco.dir", 1, 0, "exam count \"-1\"",
     [](DataSet& d) {
         d.registry[0] = With(d.registry[0], 45, "-1.5");
         d.registry[1] = With(d.registry[1], 47, "+ ");
         d.registry[2] = With(d.registry[2], 45, "2+  ");
     }},
    {"a run starting at record 0", kRunBeforeFirstRecord, 1, "elenco.dir", 1, 0,
     "esami.dir records 0-1", [](DataSet& d) { d.registry[0] = RegistryText(10, 2, 2, 0, 1); }},
    // A start beyond 32 bits names no record: by its sign, before record 1 or past the end.
    {"a run starting beyond 32 bits", kRunPastEnd, 1, "elenco.dir", 1, 0,
     "esami.dir records from \"3E+09\", which is no 32-bit record number",
     [](DataSet& d) { d.registry[0] = With(RegistryText(10, 2, 2, 0, 1), 49, "3E+09"); }},
    {"a run starting beyond 32 bits below", kRunBeforeFirstRecord, 1, "elenco.dir", 1, 0,
     "velmara.dir records from \"-3E09\", which is no 32-bit record number",
     [](DataSet& d) { d.registry[0] = With(RegistryText(10, 2, 2, 1, 0), 54, "-3E09"); }},
    {"a run past the end of its file", kRunPastEnd, 1, "elenco.dir", 3, 0,
     "velmara.dir records 5-7, the file has 6",
     [](DataSet& d) { d.registry[2] = RegistryText(30, 2, 3, 5, 5); }},
    {"runs overlapping", kRunOverlap, 1, "elenco.dir", 2, 3, "esami.dir records 3-4 and 4-5",
     [](DataSet& d) {
         d.registry[2] = RegistryText(30, 2, 2, 4, 5);
         d.exams[4] = With(d.exams[4], 7, "030715");  // student 30's exams in date order
     }},
    {"a run inside a longer one", kRunOverlap, 2, "elenco.dir", 1, 2, "",
     [](DataSet& d) {
         d.registry[0] = RegistryText(10, 6, 2, 1, 1);
         // Its six exams in date order.
         d.exams[2] = With(d.exams[2], 7, "980611");
         d.exams[3] = With(d.exams[3], 7, "990101");
     }},
    // Runs are ordered by their whole record number, also far into a large file: the run at 2
    // lies between none of the others.
    {"runs overlapping far into the file", kRunOverlap, 1, "elenco.dir", 1, 3, "",
     [](DataSet& d) {
         d.exams.assign(65540, d.exams.front());
         d.registry = {RegistryText(10, 2, 0, 65537), RegistryText(20, 2, 0, 2),
                       RegistryText(30, 2, 0, 65538)};
     }},
    {"an exam date that is not a date", kBadDate, 1, "esami.dir", 3, 0, "exam date \"970229\"",
     [](DataSet& d) { d.exams[2] = With(d.exams[2], 7, "970229"); }},
    {"an enrolment year of two years that do not follow", kBadDate, 1, "elenco.dir", 2, 0,
     "enrolment year \"9698\"",
     [](DataSet& d) { d.registry[1] = With(d.registry[1], 18, "9698"); }},
    {"a degree date that is not a date", kBadDate, 1, "elenco.dir", 2, 0, "degree date \"031315\"",
     [](DataSet& d) { d.registry[1] = With(d.registry[1], 30, "031315"); }},
    {"a birth month 13, shown as \"xx/13/74\"", kBadDate, 1, "elenco.dir", 2, 0,
     "birth year and month \"7413\"",
     [](DataSet& d) { d.registry[1] = With(d.registry[1], 7, "7413"); }},
    {"a birth month 00", kBadDate, 1, "elenco.dir", 2, 0, "birth year and month \"7400\"",
     [](DataSet& d) { d.registry[1] = With(d.registry[1], 7, "7400"); }},
    {"a birth year of a letter", kBadDate, 1, "elenco.dir", 2, 0, "birth year and month \"7x03\"",
     [](DataSet& d) { d.registry[1] = With(d.registry[1], 7, "7x03"); }},
    {"a diploma school year that is none", kBadDate, 1, "elenco.dir", 3, 0,
     "diploma school year \"9x95\"",
     [](DataSet& d) { d.registry[2] = With(d.registry[2], 24, "9x95"); }},
    {"a last career year that is not a year", kBadDate, 1, "velmara.dir", 4, 0, "",
     [](DataSet& d) { d.years[3] = With(d.years[3], 3, "9x"); }},
    {"an exam the day before the chart begins", kExamBeforeEnrolment, 1, "elenco.dir", 2, 0, "",
     [](DataSet& d) { d.exams[2] = With(d.exams[2], 7, "961031"); }},
    {"an exam the day after graduation", kExamAfterGraduation, 1, "elenco.dir", 3, 0,
     "esami.dir record 6 dated \"030716\", graduated \"030715\"",
     [](DataSet& d) { d.exams[5] = With(d.exams[5], 7, "030716"); }},
    {"an exam after the chart's end of a student still enrolled", kExamAfterExpectedEnd, 1,
     "elenco.dir", 2, 0,
     "esami.dir record 4 dated \"980601\", still enrolled, last career year \"97\": the chart "
     "ends 1998-05-31",
     [](DataSet& d) {
         d.registry[1] = With(d.registry[1], 30, "000000");
         d.exams[3] = With(d.exams[3], 7, "980601");
     }},
    {"an exam after the chart's end of a student still enrolled without career years",
     kExamAfterExpectedEnd, 1, "elenco.dir", 2, 0,
     "esami.dir record 4 dated \"010601\", still enrolled, no career year: the chart ends "
     "2001-05-31",
     [](DataSet& d) {
         d.registry[1] = With(RegistryText(20, 2, 0, 3, 3), 30, "000000");
         d.exams[3] = With(d.exams[3], 7, "010601");
     }},
    {"an exam dated before the exam listed before it", kExamOutOfOrder, 1, "elenco.dir", 1, 0,
     "esami.dir record 2 dated \"970101\", after record 1 dated \"970115\"",
     [](DataSet& d) { d.exams[1] = With(d.exams[1], 7, "970101"); }},
    {"a student still enrolled whose last career year ends before the chart begins",
     kChartEndsBeforeItBegins, 1, "elenco.dir", 2, 0,
     "still enrolled, last career year \"95\": the chart ends 1996-05-31, enrolled \"9697\"",
     [](DataSet& d) {
         d.registry[1] = With(RegistryText(20, 0, 2, 3, 3), 30, "000000");
         d.years[3] = With(d.years[3], 3, "95");
     }},
    {"a graduation on the day the chart begins", kChartEndsBeforeItBegins, 1, "elenco.dir", 2, 0,
     "graduated \"961101\", enrolled \"9697\"",
     [](DataSet& d) { d.registry[1] = With(RegistryText(20, 0, 2, 3, 3), 30, "961101"); }},
    {"an exam code not in the table", kUnknownExamCode, 1, "esami.dir", 5, 0, "code \"1004\"",
     [](DataSet& d) { d.exams[4] = With(d.exams[4], 1, "1004"); }},
    {"an exam code in small letters", kUnknownExamCode, 1, "esami.dir", 5, 0, "",
     [](DataSet& d) {
         d.examTable += "A1 AB12 Diritto\r\n";
         d.exams[4] = With(d.exams[4], 1, "ab12");
     }},
    {"a group code no rule names", kUnknownGroupCode, 1, "esami.grp", 4, 0,
     "group \"a1\" of exam \"1004\"", [](DataSet& d) { d.examTable += "a1 1004 Statistica\r\n"; }},
    {"a diploma code not in the table", kUnknownDiplomaCode, 1, "elenco.dir", 2, 0,
     "diploma code \"99\"", [](DataSet& d) { d.registry[1] = With(d.registry[1], 22, "99"); }},
    // Its code is still the table's: an exam of that code is no unknown code.
    {"an exam line without a name", kMalformedTableLine, 1, "esami.grp", 4, 0,
     "7 characters: \"A1 1004\"",
     [](DataSet& d) {
         d.examTable += "A1 1004\r\n";
         d.exams[4] = With(d.exams[4], 1, "1004");
     }},
    {"an exam line whose name is blanks", kMalformedTableLine, 1, "esami.grp", 4, 0,
     "10 characters: \"A1 1004   \"", [](DataSet& d) { d.examTable += "A1 1004   \r\n"; }},
    {"an empty line between entries", kMalformedTableLine, 1, "esami.grp", 2, 0,
     "0 characters: \"\"",
     [](DataSet& d) { d.examTable.insert(d.examTable.find('\n') + 1, "\r\n"); }},
    // What an editor saving a table may leave in the text the card shows.
    {"an exam name holding a tab", kMalformedTableLine, 1, "esami.grp", 4, 0,
     "holds a tab at character 8: \"A1 1004\tStatistica\"",
     [](DataSet& d) { d.examTable += "A1 1004\tStatistica\r\n"; }},
    {"a name holding a byte Windows-1252 leaves undefined", kMalformedTableLine, 1, "esami.grp", 4,
     0,
     "holds byte 0x81, which Windows-1252 leaves undefined, at character 12: \"A1 1004 "
     "Sta\xef\xbf\xbdtistica\"",
     [](DataSet& d) { d.examTable += "A1 1004 Sta\x81tistica\r\n"; }},
    {"a title holding a NUL byte", kMalformedTableLine, 1, "titoli.grp", 3, 0, "",
     [](DataSet& d) { d.titleTable += std::string("3 XY Liceo\0 Artistico\r\n", 23); }},
    {"an exam line saved as UTF-8", kMalformedTableLine, 1, "esami.grp", 4, 0,
     "UTF-8 text, where the tables are Windows-1252: \"A1 1004 Contabilit\xc3\x83\xc2\xa0 "
     "Pubblica\"",
     [](DataSet& d) { d.examTable += "A1 1004 Contabilit\xc3\xa0 Pubblica\r\n"; }},
    {"an exam code holding the index's star", kMalformedTableLine, 1, "esami.grp", 4, 0,
     "code \"Q*RS\" holds \"*\"", [](DataSet& d) { d.examTable += "A1 Q*RS Statistica\r\n"; }},
    {"a title line without a title", kMalformedTableLine, 1, "titoli.grp", 1, 0, "",
     [](DataSet& d) { d.titleTable = "1 XX\n" + d.titleTable; }},
    // No title to know SC by: the students' diploma codes are unknown as well.
    {"a title table without lines", kMalformedTableLine, 1, "titoli.grp", 0, 0,
     "the table has no lines", [](DataSet& d) { d.titleTable.clear(); }},
    {"an exam code on two lines", kRepeatedTableCode, 1, "esami.grp", 2, 4, "code \"1002\"",
     [](DataSet& d) { d.examTable += "A1 1002 Economia II\r\n"; }},
    // The runs into a missing file are not reported one by one.
    {"both record files missing", kMissingFile, 2, "esami.dir", 0, 0, "", nullptr,
     [](DataFileContents& files) {
         files.exams.reset();
         files.years.reset();
     }},
    // Nor the exams after the chart's end that the missing career years move it to.
    {"the year file missing, a student still enrolled", kMissingFile, 1, "velmara.dir", 0, 0, "",
     [](DataSet& d) { d.registry[1] = With(d.registry[1], 30, "000000"); },
     [](DataFileContents& files) { files.years.reset(); }},
    {"the year file cut short, a student still enrolled", kRunPastEnd, 2, "elenco.dir", 2, 0,
     "velmara.dir records 3-4, the file has 2",
     [](DataSet& d) {
         d.registry[1] = With(d.registry[1], 30, "000000");
         d.years.resize(2);
     }},
};

TEST(DataCheck, EachBreakageIsReportedAsItsKindWithWhereAndWhat) {
    for (const Breakage& breakage : kBreakages) {
        SCOPED_TRACE(breakage.name);
        DataSet set;
        if (breakage.change) breakage.change(set);
        DataFileContents files = set.Files();
        if (breakage.changeBytes) breakage.changeBytes(files);
        const CheckReport report = CheckDataFiles(files, kToday);
        const ProblemGroup& group = report.Group(breakage.kind);
        EXPECT_EQ(group.count, breakage.count);
        ASSERT_FALSE(group.first.empty());
        const Finding& first = group.first.front();
        EXPECT_EQ(first.file, breakage.file);
        EXPECT_EQ(first.record, breakage.record);
        EXPECT_EQ(first.otherRecord, breakage.otherRecord);
        EXPECT_TRUE(breakage.found.empty() || first.found == breakage.found) << first.found;
        // Nothing else is reported, except the unknown diploma codes of an empty title table.
        for (const ProblemKind other : KindsFound(report)) {
            EXPECT_TRUE(other == breakage.kind ||
                        (other == kUnknownDiplomaCode && breakage.file == "titoli.grp" &&
                         breakage.record == 0))
                << "also reported: " << ProblemKindId(other);
        }
    }
}

// A byte-order mark that an editor put before the first line is named as such, whatever else
// it moves (the first line's group and code).
TEST(DataCheck, AByteOrderMarkIsNamed) {
    DataSet set;
    set.examTable = "\xEF\xBB\xBF" + set.examTable;
    const CheckReport report = CheckDataFiles(set.Files(), kToday);
    const ProblemGroup& group = report.Group(kMalformedTableLine);
    ASSERT_EQ(group.count, 1u);
    EXPECT_EQ(group.first.front().record, 1);
    EXPECT_TRUE(group.first.front().found.starts_with("starts with a UTF-8 byte-order mark"))
        << group.first.front().found;
}

// A key repeated away from its first record, the registry out of order between them, names
// both records; each repetition names the one before it.
TEST(DataCheck, RepeatedKeysAreNamedWhereverTheyStand) {
    DataSet set;
    set.registry.push_back(RegistryText(10));
    set.registry.push_back(RegistryText(20));
    set.registry.push_back(RegistryText(10));
    // Keys that are no numbers, and a blank one: bad keys, none a repetition of another.
    for (const char* key : {"abcde", "xyzzy", "     "})
        set.registry.push_back(With(RegistryText(40), 1, key));
    const CheckReport report = CheckDataFiles(set.Files(), kToday);
    std::vector<std::tuple<std::int64_t, std::int64_t, std::string>> repeated;
    for (const Finding& finding : report.Group(ProblemKind::kRepeatedKey).first)
        repeated.emplace_back(finding.record, finding.otherRecord, finding.found);
    const std::string tens = "keys \"00010\" and \"00010\"";
    EXPECT_EQ(repeated, (decltype(repeated){
                            {1, 4, tens}, {2, 5, "keys \"00020\" and \"00020\""}, {4, 6, tens}}));
    // The last key, blank, is below all others: no lookup finds any student.
    const ProblemGroup& order = report.Group(ProblemKind::kRegistryOrder);
    EXPECT_EQ(order.count, 4u);
    EXPECT_EQ(order.first.back(),
              (Finding{"elenco.dir", 9, 0,
                       "last key \"     \": no lookup takes a higher one, so 6 records are never "
                       "found (the highest key, \"00030\", is record 3)"}));
    EXPECT_EQ(report.Group(ProblemKind::kBadKey).count, 3u);
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
        const ProblemGroup& partial = report.Group(ProblemKind::kPartialSlot);
        ASSERT_EQ(partial.count, 1u);
        EXPECT_EQ(partial.first.front().record, records + 1);
        EXPECT_EQ(
            partial.first.front().found,
            std::to_string(bytes) + " of 62 bytes" +
                (read ? "" : ", no record: lookups read records 1-" + std::to_string(records)));
        EXPECT_EQ(report.Group(ProblemKind::kShortRecord).count, read ? 1u : 0u);
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
    set.exams[4] =
        "100418"
        "96101";
    // A registry text without positions 31-44 (the degree's fields), with an unknown diploma.
    set.registry[1] = With(set.registry[1].substr(0, 30) + set.registry[1].substr(44), 22, "99");
    // One that ends with its degree date, which is still read: not a date.
    const std::string third = With(set.registry[2], 30, "031315");
    set.registry[2] = third.substr(0, 35) + third.substr(third.size() - 14);
    // The last career year of student 20 cut to its first digit: read as the year 9.
    set.years[3].resize(3);
    const CheckReport report = CheckDataFiles(set.Files(), kToday);
    EXPECT_EQ(Findings(report, false),
              (std::vector<std::string>{
                  "short-record elenco.dir 2/0", "short-record elenco.dir 3/0",
                  "short-record esami.dir 5/0", "short-record velmara.dir 4/0",
                  "bad-date elenco.dir 1/0", "bad-date velmara.dir 4/0", "bad-date elenco.dir 3/0",
                  "exam-before-enrolment elenco.dir 1/0", "exam-before-enrolment elenco.dir 3/0",
                  "unknown-exam-code esami.dir 5/0", "unknown-diploma-code elenco.dir 2/0"}));
}

// The part of a run that lies in its file is the student's, as on the card: it may overlap
// another run, its exams are checked against the career, and its last record, when in the
// file, is the last career year. Later exams of a student still enrolled than the day the
// check is made are past the chart's end too.
TEST(DataCheck, RunsReachingOutOfTheirFileAndExamsAfterTodayAreCheckedAsTheCardDrawsThem) {
    DataSet set;
    // Student 20, still enrolled, last career year "02" (in record 3): the chart ends
    // 31 May 2003, after its exam of 15 January 2003. Its year run begins at record -1.
    set.registry[1] = With(RegistryText(20, 2, 5, 3, -1), 30, "000000");
    set.years[2] = With(set.years[2], 3, "02");
    set.exams[3] = With(set.exams[3], 7, "030115");
    // Student 30's exam run, records 6-9, holds one record of the file, dated after graduation.
    set.registry[2] = RegistryText(30, 4, 2, 6, 5);
    set.exams[5] = With(set.exams[5], 7, "030716");
    std::vector<std::string> expected{
        "run-before-first-record elenco.dir 2/0: velmara.dir records -1-3",
        "run-past-end elenco.dir 3/0: esami.dir records 6-9, the file has 6",
        "run-overlap elenco.dir 1/2: velmara.dir records 1-2 and 1-3",
        "exam-after-graduation elenco.dir 3/0: esami.dir record 6 dated \"030716\", graduated "
        "\"030715\""};
    EXPECT_EQ(Findings(CheckDataFiles(set.Files(), kToday)), expected);

    // Drawn on 1 January 2003, the card of student 20 ends its chart that day.
    expected.push_back(
        "exam-after-expected-end elenco.dir 2/0: esami.dir record 4 dated \"030115\", still "
        "enrolled, last career year \"02\": the chart ends today, 2003-01-01");
    EXPECT_EQ(Findings(CheckDataFiles(set.Files(), std::chrono::year(2003) / 1 / 1)), expected);
    expected.pop_back();

    // With the last career year 29 the chart ends 31 May 2030, not 1930: drawn on 1 November
    // 2029, it ends that day, after the exam of October 2029.
    set.years[2] = With(set.years[2], 3, "29");
    set.exams[3] = With(set.exams[3], 7, "291001");
    EXPECT_EQ(Findings(CheckDataFiles(set.Files(), std::chrono::year(2029) / 11 / 1)), expected);
}

// A report keeps the first ten findings of a kind and counts all, in a table and across the
// registry, which is checked in parts (its blocks: FindingsAcrossTheBlocksOfEachFile).
TEST(DataCheck, KeepsTheFirstTenFindingsAndCountsAll) {
    DataSet set;
    for (int i = 0; i < 25; ++i)
        set.examTable += "ZQ " + std::to_string(2000 + i) + " Seminario\r\n";
    const CheckReport report = CheckDataFiles(set.Files(), kToday);
    const ProblemGroup& group = report.Group(ProblemKind::kUnknownGroupCode);
    EXPECT_EQ(group.count, 25u);
    ASSERT_EQ(group.first.size(), CheckReport::kFindingsKept);
    EXPECT_EQ(group.first.front().record, 4);
    EXPECT_EQ(group.first.back().record, 13);

    // 25 students sharing one run whose first exam predates their enrolment.
    set = DataSet{};
    set.registry.clear();
    for (int i = 1; i <= 25; ++i)
        set.registry.push_back(RegistryText(10 * i, 2, 2, 1, 1));
    set.exams[0] = "100128950115000";
    const CheckReport students = CheckDataFiles(set.Files(), kToday);
    const ProblemGroup& early = students.Group(ProblemKind::kExamBeforeEnrolment);
    EXPECT_EQ(early.count, 25u);
    ASSERT_EQ(early.first.size(), CheckReport::kFindingsKept);
    for (std::size_t i = 0; i < early.first.size(); ++i)
        EXPECT_EQ(early.first[i].record, static_cast<std::int64_t>(i + 1));
    EXPECT_EQ(students.Group(ProblemKind::kRunOverlap).count, 48u);
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
    if (!checked.ok()) {
        ADD_FAILURE() << checked.error().Message();
        return expected;
    }
    for (const ProblemKind kind : AllProblemKinds())
        EXPECT_EQ(checked->Group(kind), expected.Group(kind)) << ProblemKindId(kind);
    return expected;
}

// Findings of one kind in several files come in one order: the registry's slots and its
// students first (a fault there costs a whole card), then the exam and year records.
TEST(DataCheck, FindingsOfOneKindComeInFileOrder) {
    DataSet set;
    set.exams[2] = With(set.exams[2], 7, "970229");
    set.registry[0] = With(set.registry[0], 30, "031315");
    // Filled to its slot with blanks, a registry text read past its length is the same text.
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
    constexpr int kStudents = 12400;  // blocks of 4096 records, the last 12289-12400
    for (int n = 1; n <= kStudents; ++n)
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
        for (std::int64_t n = first; n < first + (first == 8193 ? 3 : 6); ++n)
            unknownDiploma.push_back(n);
    for (const std::int64_t n : unknownDiploma) {
        std::string& text = set.registry[static_cast<std::size_t>(n - 1)];
        text = With(text, 22, "99");
    }
    // Exam codes missing from the table, and a year record cut short, at the edges of blocks.
    set.exams.assign(40000, set.exams.front());
    const std::vector<std::int64_t> unknownCode = {16384, 16385, 2 * 16384 + 1};
    for (const std::int64_t n : unknownCode)
        set.exams[static_cast<std::size_t>(n - 1)] = With(set.exams.front(), 1, "9999");
    set.years.assign(20000, set.years.front());
    set.years[16384].resize(3);
    const CheckReport report = CheckedFromDir(set.Files());
    const auto recordsOf = [&report](ProblemKind kind) {
        std::vector<std::int64_t> records;
        for (const Finding& finding : report.Group(kind).first)
            records.push_back(finding.record);
        return records;
    };
    EXPECT_EQ(recordsOf(ProblemKind::kRepeatedKey), repeated);
    EXPECT_EQ(report.Group(ProblemKind::kUnknownDiplomaCode).count, unknownDiploma.size());
    EXPECT_EQ(recordsOf(ProblemKind::kUnknownDiplomaCode),
              std::vector<std::int64_t>(unknownDiploma.begin(), unknownDiploma.begin() + 10));
    EXPECT_EQ(recordsOf(ProblemKind::kUnknownExamCode), unknownCode);
    EXPECT_EQ(recordsOf(ProblemKind::kShortRecord), std::vector<std::int64_t>{16385});
    EXPECT_EQ(recordsOf(ProblemKind::kRegistryOrder), std::vector<std::int64_t>{12288});
    EXPECT_EQ(report.Group(ProblemKind::kRegistryOrder).first.front().otherRecord, 12289);
    EXPECT_EQ(KindsFound(report).size(), 5u);
}

// Past the first 10 findings of both kinds, exams outside a career are only counted, several at
// a time: an undated exam, and one on the graduation day, count as neither.
TEST(DataCheck, ExamsOutsideACareerAreCountedAlikePastTheFindingsKept) {
    DataSet set;
    set.registry.clear();
    for (int key = 1; key <= 12; ++key)
        set.registry.push_back(RegistryText(key, 2, 2, 1, 1));
    // An exam between two undated ones is in order with both.
    set.registry.push_back(RegistryText(13, 3, 2, 3, 1));
    for (const auto& [record, date] :
         {std::pair{0, "030716"}, {1, "960101"}, {2, "970229"}, {3, "030715"}, {4, "990231"}})
        set.exams[record] = With(set.exams[record], 7, date);
    const CheckReport report = CheckDataFiles(set.Files(), kToday);
    EXPECT_EQ(report.Group(kExamBeforeEnrolment).count, 12u);
    EXPECT_EQ(report.Group(kExamAfterGraduation).count, 12u);
    EXPECT_EQ(report.Group(kExamAfterGraduation).first.size(), 10u);
    EXPECT_EQ(report.Group(kExamOutOfOrder).count, 12u);
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
        std::vector<std::string> dates = {"960101"};
        dates.insert(dates.end(), between.begin(), between.end());
        dates.push_back("030716");
        for (const int students : {1, 12}) {
            DataSet set;
            set.exams.clear();
            for (const std::string& date : dates)
                set.exams.push_back("100128" + date + "000");
            set.registry.clear();
            for (int key = 1; key <= students; ++key)
                set.registry.push_back(RegistryText(key, static_cast<int>(dates.size()), 2, 1, 1));
            const ProblemGroup found = CheckDataFiles(set.Files(), kToday).Group(kExamOutOfOrder);
            EXPECT_EQ(found.count, outOfOrder.size() * static_cast<std::size_t>(students));
            if (students == 1) {
                std::vector<std::int64_t> records;
                for (const Finding& finding : found.first)
                    records.push_back(
                        std::stoll(finding.found.substr(17)));  // "esami.dir record N"
                EXPECT_EQ(records, outOfOrder);
            }
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
// checking the files read reports.
TEST(DataCheck, CheckingADirectoryReportsAsReadingThenChecking) {
    // Problems in the tables and in each record file, and a missing file.
    DataSet broken;
    broken.examTable += "A1 1002 Economia II\r\n";
    broken.registry[1] = With(broken.registry[1], 22, "99");
    broken.registry[2] = RegistryText(30, 2, 3, 5, 5);
    broken.exams[4] = With(broken.exams[4], 1, "1004");
    DataFileContents withoutYears = DataSet().Files();
    withoutYears.years.reset();
    for (const DataFileContents& files : {broken.Files(), withoutYears})
        EXPECT_FALSE(CheckedFromDir(files).Clean());

    // Files that cannot be read (a folder in a file's place, or no file; a pipe, which would
    // wait for a writer for ever) or a registry without records, and the one named.
    const struct {
        std::vector<std::string> unreadable;
        std::string named;
        bool emptyRegistry = false;
        bool pipes = false;
    } kFailures[] = {
        {{"titoli.grp", "elenco.dir"}, "titoli.grp"},
        {{"esami.dir", "elenco.dir"}, "elenco.dir"},
        {{"velmara.dir", "esami.dir"}, "esami.dir"},
        {{"velmara.dir"}, "velmara.dir"},
        {{}, "elenco.dir", true},
        {{"esami.grp"}, "esami.grp", false, true},
        {{"elenco.dir"}, "elenco.dir", false, true},
    };
    for (const auto& failure : kFailures) {
        const testdata::TempDataDir dir;
        WriteDataDir(dir, DataSet().Files());
        if (failure.emptyRegistry) dir.Write("elenco.dir", "");
        for (const std::string& name : failure.unreadable) {
            std::filesystem::remove(dir.PathOf(name));
            if (failure.pipes) {
                ASSERT_EQ(::mkfifo(dir.PathOf(name).c_str(), 0600), 0);
            } else if (name != "elenco.dir") {
                std::filesystem::create_directory(dir.PathOf(name));
            }
        }
        const Result<CheckReport> checked = CheckDataDir(dir.DataDir(), kToday);
        ASSERT_FALSE(checked.ok()) << failure.named;
        EXPECT_EQ(checked.error().file, dir.PathOf(failure.named));
        EXPECT_EQ(checked.error().file, ReadDataFiles(dir.DataDir()).error().file);
    }
}

}  // namespace
}  // namespace velmaro
