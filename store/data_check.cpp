#include "store/data_check.h"

#include <algorithm>
#include <atomic>
#include <climits>
#include <functional>
#include <optional>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include "base/civil_date.h"
#include "base/text_fields.h"
#include "base/windows1252.h"
#include "store/data_file_names.h"
#include "store/data_store.h"
#include "store/file_arrival.h"
#include "store/record_file.h"
#include "store/run_overlaps.h"
#include "store/student.h"
#include "store/table_check.h"
#include "store/text_file.h"

namespace velmaro {
namespace {

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

// The day of a yymmdd date, as days since 1970-01-01; kNoDay when it is not a date.
std::int32_t DayOfYyMmDd(std::string_view text) {
    const std::int64_t days = DayNumberOfYyMmDd(text);
    return days == kNoDayNumber ? kNoDay : static_cast<std::int32_t>(days);
}

// 1 November of the first year of an academic year written yyYY; kNoDay when yyYY is not two
// consecutive two-digit years.
std::int32_t EnrolmentDay(std::string_view yyYY) {
    if (yyYY.size() != 4 || !AllDigits(yyYY)) return kNoDay;
    const int first = (yyYY[0] - '0') * 10 + (yyYY[1] - '0');
    const int second = (yyYY[2] - '0') * 10 + (yyYY[3] - '0');
    if (second != (first + 1) % 100) return kNoDay;
    const char firstOfNovember[] = {yyYY[0], yyYY[1], '1', '1', '0', '1'};
    return DayOfYyMmDd({firstOfNovember, sizeof firstOfNovember});
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
    // The number of bytes up to the end of slot n (or of the file, for a last slot cut short).
    std::size_t EndOfSlot(std::int64_t n) const {
        return std::min(bytes_.size(), static_cast<std::size_t>(n) * slotSize_);
    }

    // Length fields past the slot, and a last slot cut short.
    void CheckSlots(CheckReport& report) const {
        CheckLengthFields(1, Count(), report);
        CheckLastSlot(report);
    }

    // Length fields past the slot in slots first ... last.
    void CheckLengthFields(std::int64_t first, std::int64_t last, CheckReport& report) const {
        for (std::int64_t n = first; n <= last; ++n) {
            const std::size_t declared = SlotLengthField(Slot(n));
            if (declared <= slotSize_ - 2) continue;
            report.Note(ProblemKind::kLengthPastSlot, [&] {
                return Finding{std::string(name_), n, 0,
                               "length field " + std::to_string(declared) + ", the slot holds " +
                                   std::to_string(slotSize_ - 2)};
            });
        }
    }

    // A last slot cut short.
    void CheckLastSlot(CheckReport& report) const {
        if (const std::size_t rest = bytes_.size() % slotSize_; rest != 0) {
            report.Add(ProblemKind::kPartialSlot,
                       {std::string(name_), Count(), 0,
                        std::to_string(rest) + " of " + std::to_string(slotSize_) + " bytes"});
        }
    }

  private:
    std::string_view name_;
    std::string_view bytes_;
    std::size_t slotSize_;
    bool present_;
};

// What the student pass needs to know of the exam and year records, found in the record pass
// so that a student's run is checked on a few compact numbers instead of its record texts.
struct RecordFacts {
    // The day of each exam record's date, kNoDay where there is none; [0] unused.
    std::vector<std::int32_t> examDays;
    // Whether each year record holds a year of two digits at positions 3-4; [0] unused.
    std::vector<std::uint8_t> yearIsYear;

    RecordFacts(const SlotFile& exams, const SlotFile& years)
        : examDays(static_cast<std::size_t>(exams.Count()) + 1, kNoDay),
          yearIsYear(static_cast<std::size_t>(years.Count()) + 1, 0) {}
};

// The exam records first ... last: short texts, unknown codes and dates that are not dates.
// Sets days[n] to the day of record n's date (left kNoDay where there is none).
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

// The year records: short texts. Sets yearIsYear[n] for each record n that holds a year.
void CheckYearRecords(const SlotFile& years, std::vector<std::uint8_t>& yearIsYear,
                      CheckReport& report) {
    for (std::int64_t n = 1; n <= years.Count(); ++n) {
        const std::string_view text = years.Text(n);
        const std::string_view year = Mid(text, 3, 2);
        yearIsYear[static_cast<std::size_t>(n)] = year.size() == 2 && AllDigits(year);
        if (text.size() >= kYearFieldsLength) continue;
        report.Note(ProblemKind::kShortRecord, [&] {
            return Finding{std::string(years.Name()), n, 0,
                           std::to_string(text.size()) + " characters: " + Quoted(text)};
        });
    }
}

// Runs that start before record 1 or reach past the end of file; a run that lies in the file
// is set as the student's in inFile. True when it lies there.
bool CheckRun(const SlotFile& file, std::int64_t first, int count, std::int64_t registryRecord,
              StudentRuns& inFile, CheckReport& report) {
    // The missing file itself is the problem to report, not every run into it.
    if (count <= 0 || !file.Present()) return false;
    const std::int64_t last = first + count - 1;
    if (first < 1) {
        report.Note(ProblemKind::kRunBeforeFirstRecord, [&] {
            return Finding{std::string(kRegistryName), registryRecord, 0,
                           RecordRange(file.Name(), first, last)};
        });
        return false;
    }
    if (last > file.Count()) {
        report.Note(ProblemKind::kRunPastEnd, [&] {
            return Finding{std::string(kRegistryName), registryRecord, 0,
                           RecordRange(file.Name(), first, last) + ", the file has " +
                               std::to_string(file.Count())};
        });
        return false;
    }
    inFile.Set(registryRecord, static_cast<std::uint32_t>(first), static_cast<std::uint32_t>(last));
    return true;
}

// The count field of a registry record is a two-digit number: negative, fractional or
// non-numeric contents give a count the keeper did not mean. Digits and blanks are all a
// sound count may hold (blanks are skipped when it is read).
bool IsSoundCount(std::string_view field) {
    return std::all_of(field.begin(), field.end(),
                       [](char c) { return c == ' ' || (c >= '0' && c <= '9'); });
}

// How many exams of a run lie before the career's first day and after its last.
struct ExamsOutside {
    std::size_t before = 0;
    std::size_t after = 0;
};

// Counts the days of days[first ... end) that are dated and before firstDay, and those after
// lastDay. No call and no branch per exam, and several exams per instruction: a data set whose
// runs are shared by many students has millions of such exams to count.
ExamsOutside CountExamsOutside(const std::vector<std::int32_t>& days, std::size_t first,
                               std::size_t end, std::int32_t firstDay, std::int32_t lastDay) {
    const std::int32_t* run = days.data() + first;
    const std::size_t count = end - first;
    // Counters as wide as the days, so that each instruction takes as many of both; a run
    // holds at most 99 exams.
    std::uint32_t before = 0;
    std::uint32_t after = 0;
#pragma omp simd reduction(+ : before, after)
    for (std::size_t i = 0; i < count; ++i) {
        before += static_cast<std::uint32_t>((run[i] != kNoDay) & (run[i] < firstDay));
        after += static_cast<std::uint32_t>(run[i] > lastDay);
    }
    return {before, after};
}

// The files and the facts of their records that the students are checked against.
struct StudentContext {
    const SlotFile& exams;
    const SlotFile& years;
    const RecordFacts& facts;
    const TableCodes& titleCodes;
};

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
        const bool examsInFile =
            CheckRun(context_.exams, split.FirstExamRec, split.ExamRecCount, n, examRuns_, report_);
        const bool yearsInFile =
            CheckRun(context_.years, split.FirstYearRec, split.YearRecCount, n, yearRuns_, report_);

        if (!context_.titleCodes.contains(f.DiplomaCode)) {
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
        if (examsInFile) CheckExamDates(n, split, enrolment, graduation);
        if (yearsInFile) CheckLastCareerYear(n, split);
    }

    void BadDate(std::int64_t n, std::string_view what, std::string_view value) {
        report_.Note(ProblemKind::kBadDate, [&] {
            return Finding{std::string(kRegistryName), n, 0,
                           std::string(what) + " " + Quoted(value)};
        });
    }

    // The dates of the exams in the student's run, which lies in its file, against enrolment
    // and graduation (kNoDay when there is none to check against); the dates themselves were
    // checked with the exam records. While findings are kept each exam outside is noted; after
    // that they are only counted.
    void CheckExamDates(std::int64_t n, const SplitRecordView& split, std::int32_t enrolment,
                        std::int32_t graduation) {
        const auto first = static_cast<std::size_t>(split.FirstExamRec);
        const std::size_t end = first + static_cast<std::size_t>(split.ExamRecCount);
        // kNoDay is below every day, so no day lies before a missing enrolment; no day lies
        // after the highest one.
        const std::int32_t lastDay = graduation == kNoDay ? INT32_MAX : graduation;
        if (!report_.KeepsFindings(ProblemKind::kExamBeforeEnrolment) &&
            !report_.KeepsFindings(ProblemKind::kExamAfterGraduation)) {
            const ExamsOutside outside =
                CountExamsOutside(context_.facts.examDays, first, end, enrolment, lastDay);
            report_.CountMore(ProblemKind::kExamBeforeEnrolment, outside.before);
            report_.CountMore(ProblemKind::kExamAfterGraduation, outside.after);
            return;
        }
        const std::vector<std::int32_t>& days = context_.facts.examDays;
        for (std::size_t r = first; r < end; ++r) {
            if (days[r] != kNoDay && days[r] < enrolment) {
                NoteExam(n, r, ProblemKind::kExamBeforeEnrolment,
                         "enrolled " + Quoted(split.fields.EnrolYear));
            }
        }
        for (std::size_t r = first; r < end; ++r) {
            if (days[r] > lastDay) {
                NoteExam(n, r, ProblemKind::kExamAfterGraduation,
                         "graduated " + Quoted(split.fields.DegreeDate));
            }
        }
    }

    void NoteExam(std::int64_t n, std::size_t examRecord, ProblemKind kind,
                  const std::string& versus) {
        report_.Note(kind, [&] {
            const auto record = static_cast<std::int64_t>(examRecord);
            return Finding{std::string(kRegistryName), n, 0,
                           std::string(kExamsName) + " record " + std::to_string(record) +
                               " dated " + Quoted(context_.exams.Text(record).substr(6, 6)) + ", " +
                               versus};
        });
    }

    // Only the last career year is read (the end of the chart of a student still enrolled);
    // the student's run lies in its file.
    void CheckLastCareerYear(std::int64_t n, const SplitRecordView& split) {
        const std::int64_t last = split.FirstYearRec + split.YearRecCount - 1;
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

// Registry records first ... last that do not follow the record before them in key order.
void CheckRegistryOrder(const SlotFile& registry, std::int64_t first, std::int64_t last,
                        CheckReport& report) {
    std::int32_t previous = first > 1 ? RecordKey(registry.Text(first - 1)) : 0;
    for (std::int64_t n = first; n <= last; ++n) {
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

// Tells how many bytes of a file have arrived, waiting until the first count of them have or
// the file has ended.
using WaitForBytes = std::function<std::size_t(std::size_t count)>;

// What was found in one block of registry records: in its slots and key order, and about its
// students. Each block reports apart, so that blocks can be checked in any order and on any
// thread, and the reports joined in file order.
struct BlockReports {
    CheckReport registry;
    CheckReport students;
};

// The check of one data set in parts, each given the files it needs as they become available:
// the tables first, then the exam and year records, then the registry and its students. Each
// part reports apart, and the reports are joined in the order of one pass over the files.
class DataSetCheck {
  public:
    // Notes the record files that are missing and checks the two tables.
    DataSetCheck(std::string_view examTable, std::string_view titleTable, bool examsPresent,
                 bool yearsPresent)
        : tables_(MissingFiles(examsPresent, yearsPresent)),
          examCodes_(CheckExamTable(examTable, tables_)),
          titleCodes_(CheckTitleTable(titleTable, tables_)),
          examsPresent_(examsPresent),
          yearsPresent_(yearsPresent) {}

    // The exam and year records (the bytes of a missing file are empty), in two parts on two
    // threads. The bytes must outlive the check.
    void CheckRecordFiles(std::string_view examBytes, std::string_view yearBytes) {
        exams_ = SlotFile(kExamsName, examBytes, kExamSlotSize, examsPresent_);
        years_ = SlotFile(kYearsName, yearBytes, kYearSlotSize, yearsPresent_);
        facts_ = RecordFacts(exams_, years_);
        const std::int64_t examMiddle = exams_.Count() / 2;
        CheckReport later;
        InParallel(
            [&] {
                exams_.CheckSlots(recordFiles_);
                years_.CheckSlots(recordFiles_);
                CheckExamRecords(exams_, examCodes_, 1, examMiddle, facts_.examDays, recordFiles_);
            },
            [&] {
                CheckExamRecords(exams_, examCodes_, examMiddle + 1, exams_.Count(),
                                 facts_.examDays, later);
                CheckYearRecords(years_, facts_.yearIsYear, later);
            });
        recordFiles_.Append(later);
    }

    // The registry's records and its students, then the runs of each record file that share
    // records. After CheckRecordFiles. registryBytes are the registry's bytes as they will be
    // once waitFor says they have arrived. The records are checked in blocks, each as soon as
    // it has arrived, by two threads that take the next block when they are done with one.
    // False when the registry ended before all of them arrived: the report is incomplete then.
    bool CheckRegistry(std::string_view registryBytes, const WaitForBytes& waitFor) {
        // Some 250 KB of the registry: small enough to start soon after the bytes arrive and
        // to leave little to do after the last ones, large enough to wait for them rarely.
        constexpr std::int64_t kBlockRecords = 4096;
        const SlotFile registry(kRegistryName, registryBytes, kRegistrySlotSize);
        const StudentContext context{exams_, years_, facts_, titleCodes_};
        const auto students = static_cast<std::size_t>(registry.Count());
        StudentRuns examRuns(students);
        StudentRuns yearRuns(students);
        blocks_ = std::vector<BlockReports>((students + kBlockRecords - 1) / kBlockRecords);
        std::atomic<std::size_t> nextBlock = 0;
        std::atomic<bool> arrived = true;
        const auto checkBlocks = [&] {
            for (std::size_t block = nextBlock++; block < blocks_.size(); block = nextBlock++) {
                const auto first = static_cast<std::int64_t>(block) * kBlockRecords + 1;
                const std::int64_t last = std::min(registry.Count(), first + kBlockRecords - 1);
                const std::size_t needed = registry.EndOfSlot(last);
                if (waitFor(needed) < needed) {
                    arrived = false;
                    return;
                }
                BlockReports& reports = blocks_[block];
                registry.CheckLengthFields(first, last, reports.registry);
                CheckRegistryOrder(registry, first, last, reports.registry);
                StudentChecker(context, examRuns, yearRuns, reports.students)
                    .CheckRange(registry, first, last);
            }
        };
        InParallel(checkBlocks, checkBlocks);
        if (!arrived) return false;
        registry.CheckLastSlot(registryEnd_);
        InParallel(
            [&] {
                CheckRunOverlaps(kExamsName, examRuns, static_cast<std::size_t>(exams_.Count()),
                                 examOverlaps_);
            },
            [&] {
                CheckRunOverlaps(kYearsName, yearRuns, static_cast<std::size_t>(years_.Count()),
                                 yearOverlaps_);
            });
        return true;
    }

    // Everything found, in file order.
    CheckReport Report() const {
        CheckReport report = tables_;
        for (const BlockReports& block : blocks_)
            report.Append(block.registry);
        report.Append(registryEnd_);
        report.Append(recordFiles_);
        for (const BlockReports& block : blocks_)
            report.Append(block.students);
        report.Append(examOverlaps_);
        report.Append(yearOverlaps_);
        return report;
    }

  private:
    static CheckReport MissingFiles(bool examsPresent, bool yearsPresent) {
        CheckReport report;
        for (const auto& [name, present] :
             {std::pair{kExamsName, examsPresent}, std::pair{kYearsName, yearsPresent}}) {
            if (!present)
                report.Add(ProblemKind::kMissingFile, {std::string(name), 0, 0, "no such file"});
        }
        return report;
    }

    CheckReport tables_;                // missing record files, then the tables
    std::vector<BlockReports> blocks_;  // the registry's records, block by block
    CheckReport registryEnd_;           // the registry's last slot
    CheckReport recordFiles_;           // the exam and year records
    CheckReport examOverlaps_;
    CheckReport yearOverlaps_;
    TableCodes examCodes_;
    TableCodes titleCodes_;
    bool examsPresent_;
    bool yearsPresent_;
    SlotFile exams_{kExamsName, {}, kExamSlotSize};
    SlotFile years_{kYearsName, {}, kYearSlotSize};
    RecordFacts facts_{exams_, years_};
};

// An error when the registry at path, whose content is bytes, holds no record.
Status CheckHoldsRecords(const std::string& path, std::string_view bytes) {
    if (bytes.size() < kRegistrySlotSize / 2 + 1) {
        return Error{path, "the student registry holds no records"};
    }
    return Ok();
}

std::string_view BytesOrNone(const std::optional<std::string>& bytes) {
    return bytes ? std::string_view(*bytes) : std::string_view{};
}

}  // namespace

Result<DataFileContents> ReadDataFiles(const std::string& dataDir) {
    const std::string registryPath = dataDir + std::string(kRegistryName);
    DataFileContents files;
    VELMARO_TRY(files.titleTable, ReadWholeFile(dataDir + "titoli.grp"));
    VELMARO_TRY(files.examTable, ReadWholeFile(dataDir + "esami.grp"));
    VELMARO_TRY(files.registry, ReadWholeFile(registryPath));
    VELMARO_TRY(CheckHoldsRecords(registryPath, files.registry));
    VELMARO_TRY(files.exams, ReadFileIfPresent(dataDir + std::string(kExamsName)));
    VELMARO_TRY(files.years, ReadFileIfPresent(dataDir + std::string(kYearsName)));
    return files;
}

CheckReport CheckDataFiles(const DataFileContents& files) {
    DataSetCheck check(files.examTable, files.titleTable, files.exams.has_value(),
                       files.years.has_value());
    check.CheckRecordFiles(BytesOrNone(files.exams), BytesOrNone(files.years));
    const std::size_t size = files.registry.size();
    check.CheckRegistry(files.registry, [size](std::size_t) { return size; });
    return check.Report();
}

Result<CheckReport> CheckDataDir(const std::string& dataDir) {
    const std::string registryPath = dataDir + std::string(kRegistryName);
    const std::string examsPath = dataDir + std::string(kExamsName);
    const std::string yearsPath = dataDir + std::string(kYearsName);
    for (const std::string& path : {examsPath, yearsPath})
        StartReadingAhead(path);
    VELMARO_TRY(std::string titleTable, ReadWholeFile(dataDir + "titoli.grp"));
    VELMARO_TRY(std::string examTable, ReadWholeFile(dataDir + "esami.grp"));
    Result<std::optional<std::string>> exams = ReadFileIfPresent(examsPath);
    Result<std::optional<std::string>> years = ReadFileIfPresent(yearsPath);
    // The registry, the largest file, arrives on a thread of its own while the exam and year
    // records are checked, and its students are checked as it arrives. Not asked for sooner:
    // read alongside the other files it would only delay them, and the check needs them first.
    FileArrival registry(registryPath);
    std::optional<DataSetCheck> check;
    std::size_t expectedSize = 0;
    bool checkedWhole = false;
    if (exams.ok() && years.ok()) {
        check.emplace(examTable, titleTable, exams->has_value(), years->has_value());
        check->CheckRecordFiles(BytesOrNone(*exams), BytesOrNone(*years));
        const std::string_view expected = registry.Expected();
        expectedSize = expected.size();
        checkedWhole = check->CheckRegistry(
            expected, [&registry](std::size_t count) { return registry.WaitFor(count); });
    }
    // The errors in the order ReadDataFiles meets them.
    VELMARO_TRY(std::string registryBytes, registry.Finish());
    VELMARO_TRY(CheckHoldsRecords(registryPath, registryBytes));
    if (!exams.ok()) return exams.error();
    if (!years.ok()) return years.error();
    if (checkedWhole && registryBytes.size() == expectedSize) return check->Report();
    // The registry changed while it was read: its content as read is checked again, whole.
    return CheckDataFiles({std::move(registryBytes), std::move(examTable), std::move(titleTable),
                           std::move(*exams), std::move(*years)});
}

}  // namespace velmaro
