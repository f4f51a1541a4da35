#include "store/data_check.h"

#include <algorithm>
#include <chrono>
#include <climits>
#include <cmath>
#include <unordered_map>
#include <utility>
#include <vector>

#include "base/numeric_value.h"
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

int TwoDigits(std::string_view text) { return (text[0] - '0') * 10 + (text[1] - '0'); }

// The full year of a two-digit year: 00-29 are 2000-2029, 30-99 are 1930-1999.
int FullYear(int twoDigitYear) {
    return twoDigitYear < 30 ? 2000 + twoDigitYear : 1900 + twoDigitYear;
}

// The day of a yymmdd date, as days since 1970-01-01; kNoDay when it is not a date.
std::int32_t DayOfYyMmDd(std::string_view text) {
    if (text.size() != 6 || !AllDigits(text)) return kNoDay;
    const std::chrono::year_month_day date{std::chrono::year(FullYear(TwoDigits(text))),
                                           std::chrono::month(TwoDigits(text.substr(2))),
                                           std::chrono::day(TwoDigits(text.substr(4)))};
    if (!date.ok()) return kNoDay;
    return static_cast<std::int32_t>(std::chrono::sys_days(date).time_since_epoch().count());
}

// 1 November of the first year of an academic year written yyYY; kNoDay when yyYY is not two
// consecutive two-digit years.
std::int32_t EnrolmentDay(std::string_view yyYY) {
    if (yyYY.size() != 4 || !AllDigits(yyYY)) return kNoDay;
    const int first = TwoDigits(yyYY);
    if (TwoDigits(yyYY.substr(2)) != (first + 1) % 100) return kNoDay;
    const std::chrono::year_month_day date{std::chrono::year(FullYear(first)),
                                           std::chrono::November, std::chrono::day(1)};
    return static_cast<std::int32_t>(std::chrono::sys_days(date).time_since_epoch().count());
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

// The exam records: short texts, unknown codes and dates that are not dates. Returns the day
// of every record's date (element 0 unused), kNoDay where there is none.
std::vector<std::int32_t> CheckExamRecords(const SlotFile& exams, const TableCodes& examCodes,
                                           CheckReport& report) {
    std::vector<std::int32_t> days(static_cast<std::size_t>(exams.Count()) + 1, kNoDay);
    for (std::int64_t n = 1; n <= exams.Count(); ++n) {
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
    return days;
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

// Runs of one file that share records: each run that begins inside an earlier one is named
// with the run it overlaps.
void CheckOverlaps(std::string_view fileName, std::vector<Run>& runs, CheckReport& report) {
    std::stable_sort(runs.begin(), runs.end(),
                     [](const Run& a, const Run& b) { return a.first < b.first; });
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
// non-numeric contents give a count the keeper did not mean.
bool IsSoundCount(std::string_view field) {
    const double value = NumericValue(field);
    if (value < 0 || value != std::floor(value)) return false;
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
        const SplitRecord split = SplitStudentRecord(text);
        const StudentFields& f = split.fields;
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

    void CheckOverlaps() {
        velmaro::CheckOverlaps(exams_.Name(), examRuns_, report_);
        velmaro::CheckOverlaps(years_.Name(), yearRuns_, report_);
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
    void CheckExamDates(std::int64_t n, const SplitRecord& split, std::int32_t enrolment,
                        std::int32_t graduation) {
        if (!InFile(exams_, split.FirstExamRec, split.ExamRecCount)) return;
        for (std::int64_t r = split.FirstExamRec; r < split.FirstExamRec + split.ExamRecCount;
             ++r) {
            const std::int32_t day = examDays_[static_cast<std::size_t>(r)];
            if (day == kNoDay) continue;
            if (enrolment != kNoDay && day < enrolment) {
                report_.Note(ProblemKind::kExamBeforeEnrolment, [&] {
                    return ExamFinding(n, r, "enrolled " + Quoted(split.fields.EnrolYear));
                });
            }
            if (graduation != kNoDay && day > graduation) {
                report_.Note(ProblemKind::kExamAfterGraduation, [&] {
                    return ExamFinding(n, r, "graduated " + Quoted(split.fields.DegreeDate));
                });
            }
        }
    }

    Finding ExamFinding(std::int64_t n, std::int64_t examRecord, const std::string& versus) {
        return Finding{std::string(kRegistryName), n, 0,
                       std::string(kExamsName) + " record " + std::to_string(examRecord) +
                           " dated " + Quoted(exams_.Text(examRecord).substr(6, 6)) + ", " +
                           versus};
    }

    // Only the last career year is read (the end of the chart of a student still enrolled).
    void CheckLastCareerYear(std::int64_t n, const SplitRecord& split) {
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
    for (const SlotFile* file : {&registry, &exams, &years})
        file->CheckSlots(report);

    CheckRegistryOrder(registry, report);
    const std::vector<std::int32_t> examDays = CheckExamRecords(exams, examCodes, report);
    CheckYearRecords(years, report);

    StudentChecker students(exams, examDays, years, titleCodes, report);
    for (std::int64_t n = 1; n <= registry.Count(); ++n)
        students.Check(n, registry.Text(n));
    students.CheckOverlaps();
    return report;
}

}  // namespace velmaro
