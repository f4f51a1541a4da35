#include "store/data_check.h"

#include <algorithm>
#include <climits>
#include <optional>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include "base/civil_date.h"
#include "base/text_fields.h"
#include "base/windows1252.h"
#include "store/data_store.h"
#include "store/record_file.h"
#include "store/student.h"
#include "store/table_check.h"
#include "store/text_file.h"

namespace velmaro {
namespace {

constexpr std::string_view kRegistryName = "elenco.dir";
constexpr std::string_view kExamsName = "esami.dir";
constexpr std::string_view kYearsName = "velmara.dir";

// A registry text holds 58 characters: the fields, three unused, the counts and the runs.
constexpr std::size_t kRegistryTextLength = 58;
// An exam record's fields end with its date at positions 7-12; a year record's year is at 3-4.
constexpr std::size_t kExamFieldsLength = 12;
constexpr std::size_t kYearFieldsLength = 4;

// Marks an exam record whose date is not a date.
constexpr std::int32_t kNoDay = INT32_MIN;

std::string Quoted(std::string_view raw) { return "\"" + DecodeWindows1252(raw) + "\""; }

std::string RecordRange(std::string_view file, std::int64_t first, std::int64_t last) {
    return std::string(file) + " records " + std::to_string(first) + "-" + std::to_string(last);
}

bool AllDigits(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::int32_t DayOfParts(std::string_view month, std::string_view day, std::string_view year) {
    const std::int64_t days = DayNumberOfParts(month, day, year);
    return days == kNoDayNumber ? kNoDay : static_cast<std::int32_t>(days);
}

// The day of a yymmdd date, as days since 1970-01-01; kNoDay when it is not a date.
std::int32_t DayOfYyMmDd(std::string_view text) {
    if (text.size() != 6) return kNoDay;
    return DayOfParts(text.substr(2, 2), text.substr(4, 2), text.substr(0, 2));
}

// 1 November of the first year of an academic year written yyYY; kNoDay when yyYY is not two
// consecutive two-digit years.
std::int32_t EnrolmentDay(std::string_view yyYY) {
    if (yyYY.size() != 4 || !AllDigits(yyYY)) return kNoDay;
    const int first = (yyYY[0] - '0') * 10 + (yyYY[1] - '0');
    const int second = (yyYY[2] - '0') * 10 + (yyYY[3] - '0');
    if (second != (first + 1) % 100) return kNoDay;
    return DayOfParts("11", "01", yyYY.substr(0, 2));
}

// Runs first on this thread and second on another, and returns when both are done; both on
// this thread when the system gives no other.
template <typename First, typename Second>
void InParallel(First first, Second second) {
    std::thread other;
    try {
        other = std::thread(second);
    } catch (const std::system_error&) {
        first();
        second();
        return;
    }
    first();
    other.join();
}

// A record file's bytes seen as slots.
class SlotFile {
  public:
    SlotFile(std::string_view name, std::string_view bytes, std::size_t slotSize,
             bool present = true)
        : name_(name), bytes_(bytes), slotSize_(slotSize), present_(present) {}

    std::string_view Name() const { return name_; }
    // False for a missing file, which reads as empty.
    bool Present() const { return present_; }
    // Slots, the last one possibly cut short.
    std::int64_t Count() const {
        return static_cast<std::int64_t>((bytes_.size() + slotSize_ - 1) / slotSize_);
    }
    std::string_view Slot(std::int64_t n) const {
        return bytes_.substr(static_cast<std::size_t>(n - 1) * slotSize_, slotSize_);
    }
    std::string_view Text(std::int64_t n) const { return SlotTextOf(Slot(n), slotSize_); }

    // Length fields past the slot, and a last slot cut short.
    void CheckSlots(CheckReport& report) const {
        const std::int64_t count = Count();
        for (std::int64_t n = 1; n <= count; ++n) {
            const std::size_t declared = SlotLengthField(Slot(n));
            if (declared <= slotSize_ - 2) continue;
            report.Note(ProblemKind::kLengthPastSlot, [&] {
                return Finding{std::string(name_), n, 0,
                               "length field " + std::to_string(declared) + ", the slot holds " +
                                   std::to_string(slotSize_ - 2)};
            });
        }
        if (const std::size_t rest = bytes_.size() % slotSize_; rest != 0) {
            report.Add(ProblemKind::kPartialSlot,
                       {std::string(name_), count, 0,
                        std::to_string(rest) + " of " + std::to_string(slotSize_) + " bytes"});
        }
    }

  private:
    std::string_view name_;
    std::string_view bytes_;
    std::size_t slotSize_;
    bool present_;
};

// The exam records first ... last: short texts, unknown codes and dates that are not dates.
// Sets days[n] to the day of record n's date, kNoDay where there is none.
void CheckExamRecords(const SlotFile& exams, const TableCodes& examCodes, std::int64_t first,
                      std::int64_t last, std::vector<std::int32_t>& days, CheckReport& report) {
    for (std::int64_t n = first; n <= last; ++n) {
        const std::string_view text = exams.Text(n);
        if (text.size() < kExamFieldsLength) {
            report.Note(ProblemKind::kShortRecord, [&] {
                return Finding{std::string(exams.Name()), n, 0,
                               std::to_string(text.size()) + " characters: " + Quoted(text)};
            });
            continue;
        }
        const std::string_view code = text.substr(0, 4);
        if (!examCodes.contains(code)) {
            report.Note(ProblemKind::kUnknownExamCode, [&] {
                return Finding{std::string(exams.Name()), n, 0, "code " + Quoted(code)};
            });
        }
        const std::string_view date = text.substr(6, 6);
        days[static_cast<std::size_t>(n)] = DayOfYyMmDd(date);
        if (days[static_cast<std::size_t>(n)] == kNoDay) {
            report.Note(ProblemKind::kBadDate, [&] {
                return Finding{std::string(exams.Name()), n, 0, "exam date " + Quoted(date)};
            });
        }
    }
}

void CheckYearRecords(const SlotFile& years, CheckReport& report) {
    for (std::int64_t n = 1; n <= years.Count(); ++n) {
        const std::string_view text = years.Text(n);
        if (text.size() >= kYearFieldsLength) continue;
        report.Note(ProblemKind::kShortRecord, [&] {
            return Finding{std::string(years.Name()), n, 0,
                           std::to_string(text.size()) + " characters: " + Quoted(text)};
        });
    }
}

// A student's run of records in one record file.
struct Run {
    std::int64_t first = 0;
    std::int64_t last = 0;
    std::int64_t registryRecord = 0;
};

// Runs that start before record 1 or reach past the end of file; the runs that lie in the
// file go to inFile for the overlap check.
void CheckRun(const SlotFile& file, std::int64_t first, int count, std::int64_t registryRecord,
              std::vector<Run>& inFile, CheckReport& report) {
    // The missing file itself is the problem to report, not every run into it.
    if (count <= 0 || !file.Present()) return;
    const std::int64_t last = first + count - 1;
    if (first < 1) {
        report.Note(ProblemKind::kRunBeforeFirstRecord, [&] {
            return Finding{std::string(kRegistryName), registryRecord, 0,
                           RecordRange(file.Name(), first, last)};
        });
    } else if (last > file.Count()) {
        report.Note(ProblemKind::kRunPastEnd, [&] {
            return Finding{std::string(kRegistryName), registryRecord, 0,
                           RecordRange(file.Name(), first, last) + ", the file has " +
                               std::to_string(file.Count())};
        });
    } else {
        inFile.push_back({first, last, registryRecord});
    }
}

// Puts runs in order of their first record, runs with the same first record in the order they
// came. Run starts are record numbers in the file (1 ... 2^31 - 1), so a radix sort in two
// passes of 16 bits does it in linear time: a registry of 99,999 students has as many runs.
void SortByFirstRecord(std::vector<Run>& runs) {
    constexpr std::size_t kDigitValues = 1 << 16;
    std::vector<Run> sorted(runs.size());
    std::vector<std::size_t> starts(kDigitValues + 1);
    for (const int shift : {0, 16}) {
        const auto digit = [shift](const Run& run) {
            return static_cast<std::size_t>(run.first >> shift) & (kDigitValues - 1);
        };
        std::fill(starts.begin(), starts.end(), 0);
        for (const Run& run : runs)
            ++starts[digit(run) + 1];
        for (std::size_t d = 1; d <= kDigitValues; ++d)
            starts[d] += starts[d - 1];
        for (const Run& run : runs)
            sorted[starts[digit(run)]++] = run;
        runs.swap(sorted);
    }
}

// Runs of one file that share records: each run that begins inside an earlier one is named
// with the run it overlaps.
void CheckOverlaps(std::string_view fileName, std::vector<Run>& runs, CheckReport& report) {
    SortByFirstRecord(runs);
    const Run* reach = nullptr;  // the run that reaches furthest so far
    for (const Run& run : runs) {
        if (reach != nullptr && run.first <= reach->last) {
            report.Note(ProblemKind::kRunOverlap, [&] {
                return Finding{std::string(kRegistryName), reach->registryRecord,
                               run.registryRecord,
                               RecordRange(fileName, reach->first, reach->last) + " and " +
                                   std::to_string(run.first) + "-" + std::to_string(run.last)};
            });
        }
        if (reach == nullptr || run.last > reach->last) reach = &run;
    }
}

// The count field of a registry record is a two-digit number: negative, fractional or
// non-numeric contents give a count the keeper did not mean. Digits and blanks are all a
// sound count may hold (blanks are skipped when it is read).
bool IsSoundCount(std::string_view field) {
    return std::all_of(field.begin(), field.end(),
                       [](char c) { return c == ' ' || (c >= '0' && c <= '9'); });
}

// Everything about one student that its registry record and its runs tell.
class StudentChecker {
  public:
    StudentChecker(const SlotFile& exams, const std::vector<std::int32_t>& examDays,
                   const SlotFile& years, const TableCodes& titleCodes, CheckReport& report)
        : exams_(exams),
          examDays_(examDays),
          years_(years),
          titleCodes_(titleCodes),
          report_(report) {}

    void Check(std::int64_t n, std::string_view text) {
        const std::string_view trimmed = TrimBlanks(text);
        if (trimmed.size() < kRegistryTextLength) {
            report_.Note(ProblemKind::kShortRecord, [&] {
                return Finding{std::string(kRegistryName), n, 0,
                               std::to_string(trimmed.size()) + " characters: " + Quoted(trimmed)};
            });
            return;
        }
        const SplitRecordView split = SplitStudentRecordView(text);
        const auto& f = split.fields;
        const std::string_view counts = Right(f.StudentRecord, 4);
        for (const std::string_view field : {Left(counts, 2), Right(counts, 2)}) {
            if (IsSoundCount(field)) continue;
            report_.Note(ProblemKind::kBadCount, [&] {
                return Finding{std::string(kRegistryName), n, 0, "count " + Quoted(field)};
            });
        }
        CheckRun(exams_, split.FirstExamRec, split.ExamRecCount, n, examRuns_, report_);
        CheckRun(years_, split.FirstYearRec, split.YearRecCount, n, yearRuns_, report_);

        if (!titleCodes_.contains(f.DiplomaCode)) {
            report_.Note(ProblemKind::kUnknownDiplomaCode, [&] {
                return Finding{std::string(kRegistryName), n, 0,
                               "diploma code " + Quoted(f.DiplomaCode)};
            });
        }
        const std::int32_t enrolment = EnrolmentDay(f.EnrolYear);
        if (enrolment == kNoDay) BadDate(n, "enrolment year", f.EnrolYear);
        std::int32_t graduation = kNoDay;
        if (f.DegreeDate != "000000") {
            graduation = DayOfYyMmDd(f.DegreeDate);
            if (graduation == kNoDay) BadDate(n, "degree date", f.DegreeDate);
        }
        CheckExamDates(n, split, enrolment, graduation);
        CheckLastCareerYear(n, split);
    }

    // Takes over the runs that later, which checked the students after these, found.
    void Append(StudentChecker&& later) {
        examRuns_.insert(examRuns_.end(), later.examRuns_.begin(), later.examRuns_.end());
        yearRuns_.insert(yearRuns_.end(), later.yearRuns_.begin(), later.yearRuns_.end());
    }

    // The runs of each record file that share records, the two files on two threads.
    void CheckOverlaps() {
        CheckReport yearOverlaps;
        InParallel([&] { velmaro::CheckOverlaps(exams_.Name(), examRuns_, report_); },
                   [&] { velmaro::CheckOverlaps(years_.Name(), yearRuns_, yearOverlaps); });
        report_.Append(yearOverlaps);
    }

  private:
    void BadDate(std::int64_t n, std::string_view what, std::string_view value) {
        report_.Note(ProblemKind::kBadDate, [&] {
            return Finding{std::string(kRegistryName), n, 0,
                           std::string(what) + " " + Quoted(value)};
        });
    }

    static bool InFile(const SlotFile& file, std::int64_t first, int count) {
        return count > 0 && first >= 1 && first + count - 1 <= file.Count();
    }

    // The dates of the exams in the student's run against enrolment and graduation; the
    // dates themselves were checked with the exam records.
    void CheckExamDates(std::int64_t n, const SplitRecordView& split, std::int32_t enrolment,
                        std::int32_t graduation) {
        if (!InFile(exams_, split.FirstExamRec, split.ExamRecCount)) return;
        if (enrolment != kNoDay) {
            CheckExamDays(
                n, split, ProblemKind::kExamBeforeEnrolment,
                [enrolment](std::int32_t day) { return day != kNoDay && day < enrolment; },
                "enrolled", split.fields.EnrolYear);
        }
        if (graduation != kNoDay) {
            CheckExamDays(
                n, split, ProblemKind::kExamAfterGraduation,
                [graduation](std::int32_t day) { return day != kNoDay && day > graduation; },
                "graduated", split.fields.DegreeDate);
        }
    }

    // Notes each exam of the student's run whose day isOutside the career. Once the kind
    // keeps no more findings the exams are only counted, in a loop free of calls: a data set
    // with runs shared by many students has millions of them.
    template <typename IsOutside>
    void CheckExamDays(std::int64_t n, const SplitRecordView& split, ProblemKind kind,
                       IsOutside isOutside, std::string_view versus, std::string_view value) {
        const auto first = static_cast<std::size_t>(split.FirstExamRec);
        const std::size_t end = first + static_cast<std::size_t>(split.ExamRecCount);
        if (!report_.KeepsFindings(kind)) {
            std::size_t outside = 0;
            for (std::size_t r = first; r < end; ++r)
                outside += isOutside(examDays_[r]) ? 1 : 0;
            report_.CountMore(kind, outside);
            return;
        }
        for (std::size_t r = first; r < end; ++r) {
            if (!isOutside(examDays_[r])) continue;
            report_.Note(kind, [&] {
                return ExamFinding(n, static_cast<std::int64_t>(r),
                                   std::string(versus) + " " + Quoted(value));
            });
        }
    }

    Finding ExamFinding(std::int64_t n, std::int64_t examRecord, const std::string& versus) {
        return Finding{std::string(kRegistryName), n, 0,
                       std::string(kExamsName) + " record " + std::to_string(examRecord) +
                           " dated " + Quoted(exams_.Text(examRecord).substr(6, 6)) + ", " +
                           versus};
    }

    // Only the last career year is read (the end of the chart of a student still enrolled).
    void CheckLastCareerYear(std::int64_t n, const SplitRecordView& split) {
        if (!InFile(years_, split.FirstYearRec, split.YearRecCount)) return;
        const std::int64_t last = split.FirstYearRec + split.YearRecCount - 1;
        const std::string_view year = Mid(years_.Text(last), 3, 2);
        if (year.size() == 2 && AllDigits(year)) return;
        report_.Note(ProblemKind::kBadDate, [&] {
            return Finding{std::string(kYearsName), last, 0,
                           "last career year " + Quoted(year) + " of " +
                               std::string(kRegistryName) + " record " + std::to_string(n)};
        });
    }

    const SlotFile& exams_;
    const std::vector<std::int32_t>& examDays_;
    const SlotFile& years_;
    const TableCodes& titleCodes_;
    CheckReport& report_;
    std::vector<Run> examRuns_;
    std::vector<Run> yearRuns_;
};

void CheckRegistryOrder(const SlotFile& registry, CheckReport& report) {
    std::int32_t previous = 0;
    for (std::int64_t n = 1; n <= registry.Count(); ++n) {
        const std::string_view text = registry.Text(n);
        const std::int32_t key = RecordKey(text);
        if (n > 1 && key <= previous) {
            const ProblemKind kind =
                key == previous ? ProblemKind::kRepeatedKey : ProblemKind::kRegistryOrder;
            report.Note(kind, [&] {
                return Finding{std::string(kRegistryName), n - 1, n,
                               "keys " + Quoted(Left(registry.Text(n - 1), 5)) + " and " +
                                   Quoted(Left(text, 5))};
            });
        }
        previous = key;
    }
}

void ReportMissing(std::string_view name, const std::optional<std::string>& bytes,
                   CheckReport& report) {
    if (!bytes) report.Add(ProblemKind::kMissingFile, {std::string(name), 0, 0, "no such file"});
}

}  // namespace

Result<DataFileContents> ReadDataFiles(const std::string& dataDir) {
    DataFileContents files;
    for (auto [name, target] :
         {std::pair{"titoli.grp", &files.titleTable}, std::pair{"esami.grp", &files.examTable},
          std::pair{"elenco.dir", &files.registry}}) {
        VELMARO_TRY(*target, ReadWholeFile(dataDir + name));
    }
    if (files.registry.size() < kRegistrySlotSize / 2 + 1) {
        return Error{dataDir + "elenco.dir", "the student registry holds no records"};
    }
    for (auto [name, target] :
         {std::pair{"esami.dir", &files.exams}, std::pair{"velmara.dir", &files.years}}) {
        VELMARO_TRY(*target, ReadFileIfPresent(dataDir + name));
    }
    return files;
}

CheckReport CheckDataFiles(const DataFileContents& files) {
    CheckReport report;
    ReportMissing(kExamsName, files.exams, report);
    ReportMissing(kYearsName, files.years, report);

    const TableCodes examCodes = CheckExamTable(files.examTable, report);
    const TableCodes titleCodes = CheckTitleTable(files.titleTable, report);

    const SlotFile registry(kRegistryName, files.registry, kRegistrySlotSize);
    const SlotFile exams(kExamsName, files.exams ? *files.exams : std::string_view{}, kExamSlotSize,
                         files.exams.has_value());
    const SlotFile years(kYearsName, files.years ? *files.years : std::string_view{}, kYearSlotSize,
                         files.years.has_value());

    // The records one by one, in two halves on two threads; each half reports apart and the
    // reports are joined in file order, so the findings are those of one pass.
    std::vector<std::int32_t> examDays(static_cast<std::size_t>(exams.Count()) + 1, kNoDay);
    const std::int64_t examMiddle = exams.Count() / 2;
    CheckReport recordsLater;
    InParallel(
        [&] {
            for (const SlotFile* file : {&registry, &exams, &years})
                file->CheckSlots(report);
            CheckRegistryOrder(registry, report);
            CheckExamRecords(exams, examCodes, 1, examMiddle, examDays, report);
        },
        [&] {
            CheckExamRecords(exams, examCodes, examMiddle + 1, exams.Count(), examDays,
                             recordsLater);
            CheckYearRecords(years, recordsLater);
        });
    report.Append(recordsLater);

    // Then the students, in two halves likewise.
    StudentChecker students(exams, examDays, years, titleCodes, report);
    CheckReport studentsLater;
    StudentChecker laterStudents(exams, examDays, years, titleCodes, studentsLater);
    const std::int64_t studentMiddle = registry.Count() / 2;
    InParallel(
        [&] {
            for (std::int64_t n = 1; n <= studentMiddle; ++n)
                students.Check(n, registry.Text(n));
        },
        [&] {
            for (std::int64_t n = studentMiddle + 1; n <= registry.Count(); ++n)
                laterStudents.Check(n, registry.Text(n));
        });
    report.Append(studentsLater);
    students.Append(std::move(laterStudents));
    students.CheckOverlaps();
    return report;
}

}  // namespace velmaro
