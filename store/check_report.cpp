#include "store/check_report.h"

#include <utility>

namespace velmaro {
namespace {

struct KindText {
    ProblemKind kind;
    std::string_view id;
    std::string_view description;
};

constexpr std::array<KindText, kProblemKindCount> kKindTexts{{
    {ProblemKind::kMissingFile, "missing-file",
     "record file missing or empty: every student's runs in it read as empty"},
    {ProblemKind::kRegistryOrder, "registry-order",
     "registry not in ascending key order: lookups between the two records can fail, and "
     "none takes a key above the last record's"},
    {ProblemKind::kNeverFound, "never-found",
     "registry record that a lookup of its own key does not find, the registry being out of "
     "order around it: no card of its student can be drawn"},
    {ProblemKind::kRepeatedKey, "repeated-key",
     "registry key repeated: a lookup of it finds at most one of the records that hold it, "
     "named here; the others never show on a card"},
    {ProblemKind::kBadKey, "bad-key",
     "registry key that is not a number from 1 up: no lookup finds the student"},
    {ProblemKind::kLengthPastSlot, "length-past-slot",
     "slot length field larger than the slot: the text is cut to the slot"},
    {ProblemKind::kPartialSlot, "partial-slot",
     "file length not a whole number of slots: its last slot is cut short"},
    {ProblemKind::kShortRecord, "short-record",
     "record text shorter than its fields: the missing fields read as empty"},
    {ProblemKind::kRecordLength, "record-length",
     "registry record text of another length than 58 characters, blanks at its ends aside, or "
     "with blanks before it: the card takes its first fields from the text's start and its "
     "counts and runs from its end, so a character lost or added shifts the fields between "
     "them, and its key from the first five characters, blanks and all"},
    {ProblemKind::kBadCount, "bad-count", "record count negative, fractional or not a number"},
    {ProblemKind::kRunBeforeFirstRecord, "run-before-first-record",
     "run of records starting before record 1: those records read as empty"},
    {ProblemKind::kRunPastEnd, "run-past-end",
     "run of records reaching past the end of its file: those records read as empty"},
    {ProblemKind::kRunOverlap, "run-overlap", "run of records overlapping another student's run"},
    {ProblemKind::kUnreachedRecords, "unreached-records",
     "records that no student's run reaches: a count cut short leaves them off its student's "
     "card (most likely the student whose run ends just before them), or they belong to a "
     "student no longer in the registry"},
    {ProblemKind::kBadDate, "bad-date", "date that is not a date, or a degree date after today"},
    {ProblemKind::kBadGrade, "bad-grade",
     "exam grade that is neither a mark (two digits from 18 to 31) nor a pass without a mark "
     "(a text after \"31\"): the card prints it as it stands and the averages leave it out, "
     "or, for a module, count its leading number (0 when it has none) at half weight"},
    {ProblemKind::kModulePassCounted, "module-pass-counted",
     "module (an exam whose name holds \"(MOD\") passed without a mark, written with a "
     "leading number (\"99\"): the card shows \"idoneo\", but its averages count that number "
     "at half weight, as a mark (99 lifts them past 30); a pass in letters (\"ID\") counts 0"},
    {ProblemKind::kExamBeforeEnrolment, "exam-before-enrolment",
     "exam dated before 1 November of the enrolment year, where the chart begins"},
    {ProblemKind::kExamAfterGraduation, "exam-after-graduation",
     "exam dated after the graduation date"},
    {ProblemKind::kExamAfterExpectedEnd, "exam-after-expected-end",
     "exam of a student still enrolled dated after today or after 31 May of the year after the "
     "last career year (two years after with more than 15 exams), where the chart ends: the "
     "card cannot place it on the chart"},
    {ProblemKind::kExamOutOfOrder, "exam-out-of-order",
     "exam dated before the exam listed before it: the chart takes a student's exams in date "
     "order, and their rows cross its leaders"},
    {ProblemKind::kChartEndsBeforeItBegins, "chart-ends-before-it-begins",
     "the end of the chart, the graduation date or, for a student still enrolled, 31 May after "
     "the last career year, not after 1 November of the enrolment year, where the chart "
     "begins: the chart has no length, every exam sits at its top"},
    {ProblemKind::kUnknownExamCode, "unknown-exam-code",
     "exam code not in esami.grp: the card shows the class and name of the table's first exam, "
     "or, when that exam is of class 0, the code itself after an asterisk"},
    {ProblemKind::kUnknownGroupCode, "unknown-group-code",
     "group code that no class rule names: its exams are class 4"},
    {ProblemKind::kUnknownDiplomaCode, "unknown-diploma-code",
     "diploma code not in titoli.grp: the card shows the table's first title"},
    {ProblemKind::kMalformedTableLine, "malformed-table-line",
     "table line without its code or a name, a code holding \"*\", a letter or digit where the "
     "separator before a title stands, or text an editor "
     "changed (a byte-order mark, a tab or other control character, a byte Windows-1252 leaves "
     "undefined, UTF-8 text): the card "
     "shows no name, marks or wrong letters, or lookups of codes find the wrong line"},
    {ProblemKind::kRepeatedTableCode, "repeated-table-code",
     "code repeated in a table: only its first line is ever used"},
}};

static_assert(
    [] {
        for (std::size_t i = 0; i < kKindTexts.size(); ++i) {
            if (kKindTexts[i].kind != static_cast<ProblemKind>(i)) return false;
        }
        return true;
    }(),
    "the texts follow the order of ProblemKind");

const KindText& TextOf(ProblemKind kind) { return kKindTexts[static_cast<std::size_t>(kind)]; }

}  // namespace

std::string_view ProblemKindId(ProblemKind kind) { return TextOf(kind).id; }

std::string_view ProblemKindDescription(ProblemKind kind) { return TextOf(kind).description; }

std::array<ProblemKind, kProblemKindCount> AllProblemKinds() {
    std::array<ProblemKind, kProblemKindCount> kinds{};
    for (std::size_t i = 0; i < kProblemKindCount; ++i)
        kinds[i] = kKindTexts[i].kind;
    return kinds;
}

void CheckReport::Add(ProblemKind kind, Finding finding) {
    ProblemGroup& group = groups_[Index(kind)];
    ++group.count;
    if (group.first.size() < kFindingsKept) group.first.push_back(std::move(finding));
}

void CheckReport::Append(const CheckReport& later) {
    for (std::size_t i = 0; i < kProblemKindCount; ++i) {
        ProblemGroup& group = groups_[i];
        const ProblemGroup& laterGroup = later.groups_[i];
        group.count += laterGroup.count;
        for (std::size_t k = 0; k < laterGroup.first.size() && group.first.size() < kFindingsKept;
             ++k)
            group.first.push_back(laterGroup.first[k]);
    }
}

bool CheckReport::Clean() const {
    for (const ProblemGroup& group : groups_) {
        if (group.count != 0) return false;
    }
    return true;
}

}  // namespace velmaro
