#include "store/student_check.h"

#include <algorithm>
#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "base/numeric_value.h"
#include "base/text_fields.h"
#include "store/career_records.h"
#include "store/data_file_names.h"
#include "store/student.h"

namespace velmaro::data_check {
namespace {

// A registry text holds the fields at positions 1-41, three unused characters, then the counts
// and the runs, which are read from the end of the text: a text of 55 characters holds every
// field. In a shorter one the fields that reach past its first length - 14 characters are
// shortened or empty.
constexpr std::size_t kCountsAndRunsLength = 14;
constexpr std::size_t kFieldsLength = 41;
// A whole record text: the fields, three unused characters, the counts and the runs.
constexpr std::size_t kWholeRecordLength = 58;

// Whether yyYY is an academic year: two consecutive two-digit years.
bool IsAcademicYear(std::string_view yyYY) {
    if (yyYY.size() != 4 || !AllDigits(yyYY)) return false;
    const int first = (yyYY[0] - '0') * 10 + (yyYY[1] - '0');
    const int second = (yyYY[2] - '0') * 10 + (yyYY[3] - '0');
    return second == (first + 1) % 100;
}

// Whether yymm is a year and a month: four digits, the month 01 to 12.
bool IsYearMonth(std::string_view yymm) {
    if (yymm.size() != 4 || !AllDigits(yymm)) return false;
    const int month = (yymm[2] - '0') * 10 + (yymm[3] - '0');
    return month >= 1 && month <= 12;
}

// 1 November of the year of the first two characters of an enrolment year yyYY, where the
// card's chart begins whatever the other two hold; kNoDay when they are no two-digit year.
std::int32_t ChartBeginning(std::string_view yyYY) {
    if (yyYY.size() < 2) return kNoDay;
    const char firstOfNovember[] = {yyYY[0], yyYY[1], '1', '1', '0', '1'};
    return DayOfYyMmDd({firstOfNovember, sizeof firstOfNovember});
}

// The records of a run that lie in its file.
struct RecordSpan {
    std::int64_t first = 0;
    std::int64_t last = 0;
};

// A run that starts before record 1 or reaches past the end of file, whose records there read
// as empty, is reported. The part that lies in the file is the student's like any run (the card
// shows its records): it is set as the student's in inFile, for the overlap check, and
// returned. Nothing when the run is empty, the file is missing, or no record lies in it.
std::optional<RecordSpan> CheckRun(const SlotFile& file, std::optional<std::int32_t> firstRecord,
                                   std::string_view firstField, int count,
                                   std::int64_t registryRecord, StudentRuns& inFile,
                                   CheckReport& report) {
    // The missing file itself is the problem to report, not every run into it.
    if (count <= 0 || !file.Present()) return std::nullopt;
    if (!firstRecord) {
        // No record of the file is read: the run lies before record 1 or past the end.
        report.Note(NumericValue(firstField) < 0 ? ProblemKind::kRunBeforeFirstRecord
                                                 : ProblemKind::kRunPastEnd,
                    [&] {
                        return Finding{std::string(kRegistryName), registryRecord, 0,
                                       std::string(file.Name()) + " records from " +
                                           Quoted(firstField) +
                                           ", which is no 32-bit record number"};
                    });
        return std::nullopt;
    }
    const std::int64_t first = *firstRecord;
    const std::int64_t last = first + count - 1;
    if (first < 1) {
        report.Note(ProblemKind::kRunBeforeFirstRecord, [&] {
            return Finding{std::string(kRegistryName), registryRecord, 0,
                           RecordRange(file.Name(), first, last)};
        });
    }
    if (last > file.Count()) {
        report.Note(ProblemKind::kRunPastEnd, [&] {
            return Finding{std::string(kRegistryName), registryRecord, 0,
                           RecordRange(file.Name(), first, last) + ", the file has " +
                               std::to_string(file.Count())};
        });
    }
    const RecordSpan inside{std::max<std::int64_t>(first, 1), std::min(last, file.Count())};
    if (inside.first > inside.last) return std::nullopt;
    inFile.Set(registryRecord, static_cast<std::uint32_t>(inside.first),
               static_cast<std::uint32_t>(inside.last));
    return inside;
}

// The count field of a registry record is a two-digit number: negative, fractional or
// non-numeric contents give a count the keeper did not mean. A sound count holds digits, the
// blanks that reading it skips, and at most a "+" before its digits. Blanks alone (a record
// whose length field cuts it short reads three unused blanks as its counts) and a "+" alone
// read as no records: the student's career vanishes from the card.
bool IsSoundCount(std::string_view field) {
    bool digits = false;
    bool sign = false;
    for (const char c : field) {
        if (c >= '0' && c <= '9') {
            digits = true;
        } else if (c == '+' && !digits && !sign) {
            sign = true;
        } else if (c != ' ' && c != '\t' && c != '\n') {
            return false;
        }
    }
    return digits;
}

// How many exams of a run lie before the career's first day and after its last, and how
// many are dated before the exam listed before them.
struct ExamDateCounts {
    std::size_t before = 0;
    std::size_t after = 0;
    std::size_t outOfOrder = 0;
};

// Calls each(r, previous) for every exam r of days[first ... end) dated before the dated exam
// listed before it, previous; undated exams are passed over.
template <typename Each>
void ForEachOutOfOrder(const std::vector<std::int32_t>& days, std::size_t first, std::size_t end,
                       Each&& each) {
    std::size_t previous = end;  // none yet
    for (std::size_t r = first; r < end; ++r) {
        if (days[r] == kNoDay) continue;
        if (previous != end && days[r] < days[previous]) each(r, previous);
        previous = r;
    }
}

// Counts the days of days[first ... end) that are dated and before firstDay, those after
// lastDay, and those out of order (see ForEachOutOfOrder). No call and no branch per exam, and
// several exams per instruction, but for the order of a run that holds an undated exam: a data
// set whose runs are shared by many students has millions of exams to count.
ExamDateCounts CountExamDates(const std::vector<std::int32_t>& days, std::size_t first,
                              std::size_t end, std::int32_t firstDay, std::int32_t lastDay) {
    const std::int32_t* run = days.data() + first;
    const std::size_t count = end - first;
    // Counters as wide as the days, so that each instruction takes as many of both; a run
    // holds at most 99 exams.
    std::uint32_t before = 0;
    std::uint32_t after = 0;
    std::uint32_t undated = 0;
#pragma omp simd reduction(+ : before, after, undated)
    for (std::size_t i = 0; i < count; ++i) {
        undated += static_cast<std::uint32_t>(run[i] == kNoDay);
        before += static_cast<std::uint32_t>((run[i] != kNoDay) & (run[i] < firstDay));
        after += static_cast<std::uint32_t>(run[i] > lastDay);
    }
    // Each dated exam against the dated one before it: next to each other, where no exam is
    // undated (nearly every run).
    std::uint32_t outOfOrder = 0;
    if (undated == 0) {
#pragma omp simd reduction(+ : outOfOrder)
        for (std::size_t i = 1; i < count; ++i)
            outOfOrder += static_cast<std::uint32_t>(run[i] < run[i - 1]);
    } else {
        ForEachOutOfOrder(days, first, end, [&](std::size_t, std::size_t) { ++outOfOrder; });
    }
    return {before, after, outOfOrder};
}

// Everything about one student that its registry record and its runs tell. The runs that lie
// in their files go to the StudentRuns of each file, for the overlap check.
class StudentChecker {
  public:
    StudentChecker(const StudentContext& context, StudentRuns& examRuns, StudentRuns& yearRuns,
                   CheckReport& report)
        : context_(context), examRuns_(examRuns), yearRuns_(yearRuns), report_(report) {}

    // Checks the students of registry records first ... last, whose texts registry holds.
    void CheckRange(const SlotFile& registry, std::int64_t first, std::int64_t last) {
        for (std::int64_t n = first; n <= last; ++n)
            Check(n, registry.Text(n));
    }

  private:
    // Which fields a registry text holds: those that lie wholly before its counts and runs,
    // which a text cut short may have lost.
    struct HeldFields {
        std::string_view trimmed;  // the text without blanks at its ends
        std::size_t fieldsEnd;     // where the counts and runs begin in it
        bool Holds(std::string_view field) const {
            return !field.empty() &&
                   static_cast<std::size_t>(field.data() - trimmed.data()) + field.size() <=
                       fieldsEnd;
        }
    };

    void Check(std::int64_t n, std::string_view text) {
        const std::string_view trimmed = TrimBlanks(text);
        // A text cut short is noted, and what it still holds is checked as the card reads it:
        // the runs and counts at its end, and the fields that lie wholly before them.
        const HeldFields held{trimmed, trimmed.size() > kCountsAndRunsLength
                                           ? trimmed.size() - kCountsAndRunsLength
                                           : 0};
        CheckLength(n, text, held);
        const SplitRecordView split = SplitStudentRecordView(text);
        const auto& fields = split.fields;
        if (trimmed.size() >= kCountsAndRunsLength) CheckCounts(n, fields);
        const std::string_view runs = Right(trimmed, kRunsFieldLength);
        const std::optional<RecordSpan> exams =
            CheckRun(context_.exams, split.FirstExamRec, Left(runs, 5), split.ExamRecCount, n,
                     examRuns_, report_);
        const std::optional<RecordSpan> years =
            CheckRun(context_.years, split.FirstYearRec, Right(runs, 5), split.YearRecCount, n,
                     yearRuns_, report_);

        if (held.Holds(fields.DiplomaCode) && !context_.titleCodes.contains(fields.DiplomaCode)) {
            report_.Note(ProblemKind::kUnknownDiplomaCode, [&] {
                return Finding{std::string(kRegistryName), n, 0,
                               "diploma code " + Quoted(fields.DiplomaCode)};
            });
        }
        const std::int32_t enrolment = CheckEnrolmentAndDiplomaDates(n, fields, held);
        const std::int32_t graduation = CheckDegreeDate(n, fields, held);
        // The card reads the last career year from the run's last record: none when that lies
        // outside the file.
        const std::int64_t lastYear =
            std::int64_t{split.FirstYearRec.value_or(0)} + split.YearRecCount - 1;
        const bool lastYearInFile = years && years->last == lastYear;
        if (lastYearInFile) CheckLastCareerYear(n, lastYear);
        const LastDay careerEnd = CareerEnd(split, graduation, lastYearInFile ? lastYear : 0);
        // Not when only today comes before the chart's beginning (a student enrolled for the
        // coming academic year): the card drawn later has its length.
        if (enrolment != kNoDay && careerEnd.byData != kNoDay && careerEnd.byData <= enrolment) {
            report_.Note(ProblemKind::kChartEndsBeforeItBegins, [&] {
                return Finding{
                    std::string(kRegistryName), n, 0,
                    AfterText(split, careerEnd) + ", enrolled " + Quoted(fields.EnrolYear)};
            });
        }
        if (exams) CheckExamDates(n, split, *exams, enrolment, careerEnd);
    }

    // Record n's text (text as read, held without its blanks) of another length than the
    // registry's records: too short for its fields, or long enough but one whose fields read
    // from its start and from its end no longer meet, or moved by blanks before it.
    void CheckLength(std::int64_t n, std::string_view text, const HeldFields& held) {
        const std::string_view trimmed = held.trimmed;
        if (held.fieldsEnd < kFieldsLength) {
            report_.Note(ProblemKind::kShortRecord, [&] {
                return Finding{std::string(kRegistryName), n, 0,
                               CharacterCount(trimmed.size()) + ": " + Quoted(trimmed)};
            });
        } else if (trimmed.size() != kWholeRecordLength) {
            // One character too few or too many (a digit lost from a count) shifts what lies
            // between the fields read from the start and those read from the end.
            report_.Note(ProblemKind::kRecordLength, [&] {
                return Finding{std::string(kRegistryName), n, 0,
                               CharacterCount(trimmed.size()) + ", not " +
                                   std::to_string(kWholeRecordLength) + ": " + Quoted(trimmed)};
            });
        } else if (const std::size_t before = text.size() - TrimLeadingBlanks(text).size();
                   before > 0) {
            // The key is read from the text's first five characters as they stand, the fields
            // from the text without the blanks: a blank before it moves the key alone.
            report_.Note(ProblemKind::kRecordLength, [&] {
                return Finding{std::string(kRegistryName), n, 0,
                               std::to_string(before) +
                                   (before == 1 ? " blank before the text, which moves"
                                                : " blanks before the text, which move") +
                                   " its key (read as " + Quoted(Left(text, 5)) +
                                   "): " + Quoted(trimmed)};
            });
        }
    }

    // The exam and year counts of record n that are not whole numbers from 0.
    void CheckCounts(std::int64_t n, const BasicStudentFields<std::string_view>& fields) {
        const std::string_view counts = Right(fields.StudentRecord, 4);
        for (const auto& count : {std::pair{"exam count ", Left(counts, 2)},
                                  std::pair{"year count ", Right(counts, 2)}}) {
            if (IsSoundCount(count.second)) continue;
            report_.Note(ProblemKind::kBadCount, [&] {
                return Finding{std::string(kRegistryName), n, 0,
                               count.first + Quoted(count.second)};
            });
        }
    }

    // Notes the enrolment year, birth year and month and diploma school year of record n that
    // are no dates; returns the day the chart begins, from the enrolment year (kNoDay without).
    std::int32_t CheckEnrolmentAndDiplomaDates(std::int64_t n,
                                               const BasicStudentFields<std::string_view>& fields,
                                               const HeldFields& held) {
        std::int32_t enrolment = kNoDay;
        if (held.Holds(fields.EnrolYear)) {
            enrolment = ChartBeginning(fields.EnrolYear);
            if (!IsAcademicYear(fields.EnrolYear)) BadDate(n, "enrolment year", fields.EnrolYear);
        }
        // The card shows these two as dates ("N.: xx/03/74", "A.S. Dip.: 88/89").
        if (held.Holds(fields.BirthYearMonth) && !IsYearMonth(fields.BirthYearMonth)) {
            BadDate(n, "birth year and month", fields.BirthYearMonth);
        }
        if (held.Holds(fields.DiplomaYear) && !IsAcademicYear(fields.DiplomaYear)) {
            BadDate(n, "diploma school year", fields.DiplomaYear);
        }
        return enrolment;
    }

    // Notes a degree date of record n that is no date, or one after today; returns its day
    // (kNoDay when not graduated, "000000", which is no problem, or no date).
    std::int32_t CheckDegreeDate(std::int64_t n, const BasicStudentFields<std::string_view>& fields,
                                 const HeldFields& held) {
        if (!held.Holds(fields.DegreeDate)) return kNoDay;
        const std::int32_t graduation = DayOfYyMmDd(fields.DegreeDate);
        if (graduation == kNoDay && fields.DegreeDate != "000000") {
            BadDate(n, "degree date", fields.DegreeDate);
        }
        // A degree not yet taken (a year mistyped, 270731 for 970731) stretches the chart to
        // it, and the exams up to it pass for dated before the degree.
        if (graduation != kNoDay && graduation > context_.today.day) {
            BadDate(n, "degree date", fields.DegreeDate,
                    ", after today, " + IsoDateText(context_.today.date));
        }
        return graduation;
    }

    // The last day an exam of the student may bear: the graduation date; for a student still
    // enrolled, where the chart ends: today, or 31 May of the expected end of studies when that
    // is earlier. The expected end follows from the last career year as the card reads it
    // from record lastYear of the year file: its numeric value, 0 when lastYear is 0 (no such
    // record in the file). kNoDay when there is none.
    struct LastDay {
        std::int32_t day = kNoDay;
        // The same as the data puts it, before today is taken into account.
        std::int32_t byData = kNoDay;
        ProblemKind after = ProblemKind::kExamAfterGraduation;
        // Of a student still enrolled, when the student has a career year in the file.
        std::optional<std::string_view> lastCareerYear;
        std::chrono::year_month_day chartEnd;
        bool endsToday = false;
    };
    LastDay CareerEnd(const SplitRecordView& split, std::int32_t graduation,
                      std::int64_t lastYear) const {
        LastDay end;
        if (graduation != kNoDay) {
            end.day = end.byData = graduation;
            return end;
        }
        if (split.fields.DegreeDate != "000000") return end;
        // With the last career year outside the year file (the file missing, empty, or cut short
        // before the run ends), the chart ends where no career year puts it: the missing file
        // or the run past its end is the problem to report, not every exam after that end.
        if (lastYear == 0 && split.YearRecCount > 0) return end;
        if (lastYear != 0) end.lastCareerYear = Mid(context_.years.Text(lastYear), 3, 2);
        end.after = ProblemKind::kExamAfterExpectedEnd;
        end.chartEnd =
            ExpectedEndDate(NumericValue(end.lastCareerYear.value_or("")), split.ExamRecCount);
        end.day = end.byData = DayOf(end.chartEnd);
        if (context_.today.day < end.day) {
            end.day = context_.today.day;
            end.chartEnd = context_.today.date;
            end.endsToday = true;
        }
        return end;
    }

    // What an exam after the career's last day is against, as its finding says.
    std::string AfterText(const SplitRecordView& split, const LastDay& end) const {
        if (end.after == ProblemKind::kExamAfterGraduation) {
            return "graduated " + Quoted(split.fields.DegreeDate);
        }
        const std::string chartEnd = std::string(": the chart ends ") +
                                     (end.endsToday ? "today, " : "") + IsoDateText(end.chartEnd);
        if (!end.lastCareerYear) return "still enrolled, no career year" + chartEnd;
        return "still enrolled, last career year " + Quoted(*end.lastCareerYear) + chartEnd;
    }

    // A bad date of registry record n: what it is, its value, and why, when it is a date.
    void BadDate(std::int64_t n, std::string_view what, std::string_view value,
                 std::string_view why = {}) {
        report_.Note(ProblemKind::kBadDate, [&] {
            return Finding{std::string(kRegistryName), n, 0,
                           std::string(what) + " " + Quoted(value) + std::string(why)};
        });
    }

    // The dates of the exams of the student's run that lie in their file, against enrolment
    // and the career's last day (kNoDay when there is none to check against); the dates
    // themselves were checked with the exam records. While findings are kept each exam outside
    // is noted; after that they are only counted.
    void CheckExamDates(std::int64_t n, const SplitRecordView& split, const RecordSpan& exams,
                        std::int32_t enrolment, const LastDay& careerEnd) {
        const auto first = static_cast<std::size_t>(exams.first);
        const auto end = static_cast<std::size_t>(exams.last) + 1;
        // kNoDay is below every day, so no day lies before a missing enrolment; no day lies
        // after the highest one.
        const std::int32_t lastDay = careerEnd.day == kNoDay ? INT32_MAX : careerEnd.day;
        const std::vector<std::int32_t>& days = context_.facts.examDays;
        // Counted first, with no branch per exam; a kind found here whose findings are still
        // kept is looked for again, exam by exam, and noted.
        const ExamDateCounts outside = CountExamDates(days, first, end, enrolment, lastDay);
        const auto noteOrCount = [&](ProblemKind kind, std::size_t count, const auto& noteEach) {
            if (count != 0 && report_.KeepsFindings(kind)) {
                noteEach();
            } else {
                report_.CountMore(kind, count);
            }
        };
        noteOrCount(ProblemKind::kExamBeforeEnrolment, outside.before, [&] {
            for (std::size_t r = first; r < end; ++r) {
                if (days[r] != kNoDay && days[r] < enrolment) {
                    NoteExam(n, r, ProblemKind::kExamBeforeEnrolment,
                             [&] { return "enrolled " + Quoted(split.fields.EnrolYear); });
                }
            }
        });
        noteOrCount(careerEnd.after, outside.after, [&] {
            for (std::size_t r = first; r < end; ++r) {
                if (days[r] > lastDay)
                    NoteExam(n, r, careerEnd.after, [&] { return AfterText(split, careerEnd); });
            }
        });
        noteOrCount(ProblemKind::kExamOutOfOrder, outside.outOfOrder, [&] {
            ForEachOutOfOrder(days, first, end, [&](std::size_t r, std::size_t previous) {
                NoteExam(n, r, ProblemKind::kExamOutOfOrder, [&] {
                    return "after record " + std::to_string(previous) + " dated " +
                           Quoted(ExamDateText(previous));
                });
            });
        });
    }

    // The date field of exam record r as written.
    std::string_view ExamDateText(std::size_t r) const {
        return Mid(context_.exams.Text(static_cast<std::int64_t>(r)), 7, 6);
    }

    // Notes exam record examRecord of student n as a problem of kind, the exam against what
    // versus() says; versus is called only when the finding is kept.
    template <typename Versus>
    void NoteExam(std::int64_t n, std::size_t examRecord, ProblemKind kind, const Versus& versus) {
        report_.Note(kind, [&] {
            const auto record = static_cast<std::int64_t>(examRecord);
            return Finding{std::string(kRegistryName), n, 0,
                           std::string(kExamsName) + " record " + std::to_string(record) +
                               " dated " + Quoted(ExamDateText(examRecord)) + ", " + versus()};
        });
    }

    // Only the last career year is read (the end of the chart of a student still enrolled):
    // record last, which lies in the year file.
    void CheckLastCareerYear(std::int64_t n, std::int64_t last) {
        if (context_.facts.yearIsYear[static_cast<std::size_t>(last)]) return;
        report_.Note(ProblemKind::kBadDate, [&] {
            const std::string_view year = Mid(context_.years.Text(last), 3, 2);
            return Finding{std::string(kYearsName), last, 0,
                           "last career year " + Quoted(year) + " of " +
                               std::string(kRegistryName) + " record " + std::to_string(n)};
        });
    }

    const StudentContext& context_;
    StudentRuns& examRuns_;
    StudentRuns& yearRuns_;
    CheckReport& report_;
};

}  // namespace

void CheckStudents(const StudentContext& context, const SlotFile& registry, std::int64_t first,
                   std::int64_t last, StudentRuns& examRuns, StudentRuns& yearRuns,
                   CheckReport& report) {
    StudentChecker(context, examRuns, yearRuns, report).CheckRange(registry, first, last);
}

}  // namespace velmaro::data_check
