#include "tools/edge_case_students.h"

#include <algorithm>
#include <array>

#include "tools/sample_catalogue.h"

namespace velmaro::sample {
namespace {

using Adjust = void (*)(PlannedStudent&, SplitMix64&);

struct CaseDefinition {
    SpecialCase info;
    CareerShape shape;
    Adjust adjust;
};

bool HasExam(const PlannedStudent& student, std::string_view code) {
    return std::any_of(student.exams.begin(), student.exams.end(),
                       [code](const PlannedExam& exam) { return exam.code == code; });
}

// Puts the exam code with mark at position index; an exam that already had that code takes
// the one it replaces, so every code stays distinct. An empty mark draws one.
void PutExam(PlannedStudent& student, std::size_t index, std::string_view code,
             std::string_view mark, SplitMix64& random) {
    PlannedExam& target = student.exams.at(index);
    for (PlannedExam& other : student.exams) {
        if (&other != &target && other.code == code) {
            other.code = target.code;
            other.mark = DrawMark(other.code, other.date, random);
        }
    }
    target.code = std::string(code);
    target.mark = mark.empty() ? DrawMark(target.code, target.date, random) : std::string(mark);
}

// An ordinary graded exam, not a module, that the student has not passed.
std::string_view UnusedPlainExam(const PlannedStudent& student) {
    for (const ExamEntry& entry : ExamCatalogue()) {
        if (entry.group != "00" && entry.marking == Marking::kGraded && !IsModule(entry) &&
            !HasExam(student, entry.code)) {
            return entry.code;
        }
    }
    return {};
}

void NoChange(PlannedStudent&, SplitMix64&) {}

void TypicalGraduate(PlannedStudent& s, SplitMix64& random) {
    // Exactly one module and exactly three marks of 30 with honours.
    for (PlannedExam& exam : s.exams) {
        const ExamEntry* entry = FindExam(exam.code);
        if (entry != nullptr && (IsModule(*entry) || entry->marking == Marking::kPassOnly)) {
            exam.code = std::string(UnusedPlainExam(s));
            exam.mark = DrawMark(exam.code, exam.date, random);
        }
        if (exam.mark == "31") exam.mark = "30";
    }
    PutExam(s, 7, "1004", "27", random);  // Matematica Generale (MOD. A)
    for (const std::size_t index : {3U, 12U, 20U})
        s.exams.at(index).mark = "31";
    s.degreeGrade = 105;
    s.honours = false;
}

void TrailingBlanks(PlannedStudent& s, SplitMix64&) { s.trailingBlanks = 2; }
void SexZero(PlannedStudent& s, SplitMix64&) { s.sexCode = "0"; }
void SexBlank(PlannedStudent& s, SplitMix64&) { s.sexCode = " "; }

void SameDay(PlannedStudent& s, SplitMix64&) {
    // Setting later exams back to an earlier date keeps the run ascending.
    s.exams.at(5).date = s.exams.at(4).date;
    s.exams.at(6).date = s.exams.at(4).date;
}

void UngroupedExam(PlannedStudent& s, SplitMix64& random) {
    PutExam(s, 2, kUngroupedExamCode, "28", random);
}

void Modules(PlannedStudent& s, SplitMix64& random) {
    PutExam(s, 1, kModuleExamCode, "ID", random);    // a module passed without a mark
    PutExam(s, 2, kLowerCaseModCode, "27", random);  // "(mod" in small letters: no module
}

void PassesWithoutMark(PlannedStudent& s, SplitMix64& random) {
    PutExam(s, 0, "1018", "99", random);  // Idoneità di Lingua Inglese
    PutExam(s, 5, "1038", "ID", random);  // Prova di Idoneità Informatica
    PutExam(s, 8, "1002", "31", random);
}

void Honours(PlannedStudent& s, SplitMix64& random) {
    for (PlannedExam& exam : s.exams) {
        if (exam.mark <= "31") exam.mark = Digits(random.Between(28, 31), 2);
    }
    s.degreeGrade = 110;
    s.honours = true;
}

void NoCareerYears(PlannedStudent& s, SplitMix64&) { s.careerYears.clear(); }
void ShortExamRecord(PlannedStudent& s, SplitMix64&) { s.exams.at(4).tail.clear(); }

constexpr std::array<CaseDefinition, 18> kCases{{
    {{kFirstRecordStudent, "lowest number, so the student sits in record 1; a graduate", false},
     {1990, 5, true, 22},
     NoChange},
    {{50, "enrolled 1985/86, the earliest academic year of the sample; a graduate", false},
     {1985, 6, true, 21},
     NoChange},
    {{123, "registry record text of 60 characters: 58 and two trailing blanks", false},
     {1998, 5, true, 20},
     TrailingBlanks},
    {{250, "sex code \"0\" (neither 1 nor 2: shown as X)", false}, {2003, 4, true, 21}, SexZero},
    {{251, "sex code blank (shown as X); not graduated", false}, {2007, 5, false, 12}, SexBlank},
    {{777, "not graduated, 16 exams (more than 15), last year 2001/02: chart ends 31 May 2003",
      false},
     {1998, 4, false, 16},
     NoChange},
    {{778, "not graduated, 15 exams, last year 2001/02: chart ends 31 May 2002", false},
     {1998, 4, false, 15},
     NoChange},
    {{1000, "three exams on the same day (the 5th, 6th and 7th)", false},
     {1995, 5, true, 24},
     SameDay},
    {{1500, "3rd exam CV01 has group \"00\" (class 0: the row shows *CV01)", false},
     {1988, 6, true, 23},
     UngroupedExam},
    {{1600, "2nd exam a \"(MOD\" module passed as ID; 3rd exam named \"(mod\", not a module",
      false},
     {2012, 5, true, 20},
     Modules},
    {{1700, "passes without a mark: 1st exam \"99\", 6th \"ID\" (idoneo); 9th exam \"31\"", false},
     {1996, 5, true, 21},
     PassesWithoutMark},
    {{1999, "not graduated, enrolled 1996/97, last year 1999/2000: chart ends 31 May 2000", false},
     {1996, 4, false, 12},
     NoChange},
    {{2000, "graduated 110 with honours (\"*\")", false}, {2001, 5, true, 24}, Honours},
    {{2500, "no exams (0 exam records); three career years; not graduated", false},
     {2019, 3, false, 0},
     NoChange},
    {{3000,
      "no career records (0 year records); 8 exams from 1997/98; not graduated: chart ends 31 "
      "May 2001",
      false},
     {1997, 3, false, 8},
     NoCareerYears},
    {{4000, "5th exam record is 12 characters long (no unused tail)", false},
     {2015, 5, true, 20},
     ShortExamRecord},
    {{kTypicalGraduate,
      "typical graduate: 26 exams, three \"31\", one module (MOD. A), grade 105, 1992/93", true},
     {1992, 5, true, 26},
     TypicalGraduate},
    {{9000,
      "enrolled 2024/25, years 2024/25 and 2025/26: the chart ends today, or on the expected end, "
      "31 May 2026, once that has passed",
      false},
     {2024, 2, false, 7},
     NoChange},
}};

constexpr auto kCaseInfos = [] {
    std::array<SpecialCase, kCases.size()> infos{};
    for (std::size_t i = 0; i < kCases.size(); ++i)
        infos[i] = kCases[i].info;
    return infos;
}();

}  // namespace

std::span<const SpecialCase> SpecialCases() { return kCaseInfos; }

bool IsSpecialCase(std::int32_t matricola) {
    return std::any_of(kCases.begin(), kCases.end(), [matricola](const CaseDefinition& c) {
        return c.info.matricola == matricola;
    });
}

PlannedStudent PlanSpecialStudent(std::int32_t matricola, const CareerLimits& limits,
                                  SplitMix64& random) {
    const auto found = std::find_if(kCases.begin(), kCases.end(), [matricola](const auto& c) {
        return c.info.matricola == matricola;
    });
    if (found == kCases.end())
        return PlanStudent(matricola, DrawCareerShape(random, limits), limits, random);
    PlannedStudent student = PlanStudent(matricola, found->shape, limits, random);
    found->adjust(student, random);
    return student;
}

}  // namespace velmaro::sample
