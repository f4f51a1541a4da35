#include "store/data_check.h"

#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <optional>
#include <system_error>
#include <thread>
#include <unordered_map>
#include <utility>
#include <vector>

#include "base/memory_limit.h"
#include "base/numeric_value.h"
#include "base/text_fields.h"
#include "store/career_records.h"
#include "store/check_support.h"
#include "store/code_table.h"
#include "store/data_file_names.h"
#include "store/data_file_versions.h"
#include "store/data_source.h"
#include "store/data_store.h"
#include "store/file_arrival.h"
#include "store/record_file.h"
#include "store/registry_search.h"
#include "store/run_overlaps.h"
#include "store/student_check.h"
#include "store/table_check.h"
#include "store/text_file.h"

namespace velmaro {
namespace {

using namespace data_check;

// An exam record's fields end with its date at positions 7-12; a year record's year is at 3-4.
constexpr std::size_t kExamFieldsLength = 12;
constexpr std::size_t kYearFieldsLength = 4;

// Runs first on this thread and second on another, and returns when both are done; both on
// this thread when worthAThread is false (work too small to repay starting one) or the system
// gives no other.
template <typename First, typename Second>
void InParallel(First first, Second second, bool worthAThread = true) {
    std::thread other;
    try {
        if (worthAThread) other = std::thread(second);
    } catch (const std::system_error&) {
        // No thread to be had: second runs here, after first.
    }
    first();
    if (other.joinable()) {
        other.join();
    } else {
        second();
    }
}

// How many blocks of blockRecords records hold count records.
std::size_t BlockCount(std::int64_t count, std::int64_t blockRecords) {
    return count <= 0 ? 0 : static_cast<std::size_t>((count + blockRecords - 1) / blockRecords);
}

// Calls check(block, first, last) on each block of records 1 ... count, blockRecords records to
// a block (the last may hold fewer), on this thread and, when there are several blocks, one
// more: each thread takes the next block when it is done with one, so a thread that the
// system runs less does less. Once a call returns false no more blocks are taken, and the
// result is false.
template <typename CheckBlock>
bool CheckInBlocks(std::int64_t count, std::int64_t blockRecords, CheckBlock check) {
    const std::size_t blocks = BlockCount(count, blockRecords);
    std::atomic<std::size_t> nextBlock = 0;
    std::atomic<bool> allChecked = true;
    const auto checkBlocks = [&] {
        for (std::size_t block = nextBlock++; block < blocks && allChecked; block = nextBlock++) {
            const auto first = static_cast<std::int64_t>(block) * blockRecords + 1;
            const std::int64_t last = std::min(count, first + blockRecords - 1);
            if (!check(block, first, last)) allChecked = false;
        }
    };
    InParallel(checkBlocks, checkBlocks, blocks > 1);
    return allChecked;
}

// The day of the date of a record too short for a whole date, as the card reads it (a day of
// one digit, say); kNoDay when it reads none.
std::int32_t DayOfShortExamRecord(std::string_view text) {
    const std::optional<std::chrono::sys_days> date = ExamRecord(text).date;
    return date ? static_cast<std::int32_t>(date->time_since_epoch().count()) : kNoDay;
}

// Whether an exam record's grade field is a mark the averages count (two digits from 18 to
// 31, "31" being 30 with honours) or a pass without a mark.
bool IsGrade(std::string_view grade) {
    if (IsPassWithoutMark(grade)) return true;
    return grade.size() == 2 && AllDigits(grade) && grade >= "18";
}

// The exam records first ... last: short texts, unknown codes, grades that are no grades,
// modules whose pass without a mark counts as a number, and dates that are not dates.
// Sets days[n] to the day of record n's date (left kNoDay where there is none). A record cut
// short is noted, and its code and grade are still checked and its date read as the card
// reads them.
void CheckExamRecords(const SlotFile& exams, const ExamTableCodes& examCodes, std::int64_t first,
                      std::int64_t last, std::vector<std::int32_t>& days, CheckReport& report) {
    for (std::int64_t n = first; n <= last; ++n) {
        const std::string_view text = exams.Text(n);
        const bool whole = text.size() >= kExamFieldsLength;
        if (!whole) {
            report.Note(ProblemKind::kShortRecord, [&] {
                return Finding{std::string(exams.Name()), n, 0,
                               CharacterCount(text.size()) + ": " + Quoted(text)};
            });
        }
        const std::string_view code = Left(text, 4);
        if (code.size() == 4 && !examCodes.codes.contains(code)) {
            report.Note(ProblemKind::kUnknownExamCode, [&] {
                return Finding{std::string(exams.Name()), n, 0, "code " + Quoted(code)};
            });
        }
        const std::string_view grade = Mid(text, 5, 2);
        if (!grade.empty() && !IsGrade(grade)) {
            report.Note(ProblemKind::kBadGrade, [&] {
                return Finding{std::string(exams.Name()), n, 0, "grade " + Quoted(grade)};
            });
        } else if (IsPassWithoutMark(grade) && examCodes.moduleCodes.contains(code)) {
            if (const double counted = NumericValue(grade); counted != 0) {
                report.Note(ProblemKind::kModulePassCounted, [&] {
                    return Finding{std::string(exams.Name()), n, 0,
                                   "grade " + Quoted(grade) + " of module " + Quoted(code) +
                                       ", counted as " + FormatShortest(counted)};
                });
            }
        }
        if (!whole) {
            days[static_cast<std::size_t>(n)] = DayOfShortExamRecord(text);
            continue;
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

// The year records first ... last: short texts. Sets yearIsYear[n] for each record n that
// holds a year.
void CheckYearRecords(const SlotFile& years, std::int64_t first, std::int64_t last,
                      std::vector<std::uint8_t>& yearIsYear, CheckReport& report) {
    for (std::int64_t n = first; n <= last; ++n) {
        const std::string_view text = years.Text(n);
        const std::string_view year = Mid(text, 3, 2);
        yearIsYear[static_cast<std::size_t>(n)] = year.size() == 2 && AllDigits(year);
        if (text.size() >= kYearFieldsLength) continue;
        report.Note(ProblemKind::kShortRecord, [&] {
            return Finding{std::string(years.Name()), n, 0,
                           CharacterCount(text.size()) + ": " + Quoted(text)};
        });
    }
}

// "00020" in quotes: the key of registry record n as it stands.
std::string QuotedKey(const SlotFile& registry, std::int64_t n) {
    return Quoted(Left(registry.Text(n), 5));
}

// "keys "00020" and "00020"": the keys of registry records a and b as they stand.
std::string KeysOf(const SlotFile& registry, std::int64_t a, std::int64_t b) {
    return "keys " + QuotedKey(registry, a) + " and " + QuotedKey(registry, b);
}

// Registry records first ... last whose key is no number a lookup can take (below 1), and
// those whose key is below the key of the record before them. Sets keys[n - 1] to the key of
// each record n.
void CheckRegistryKeys(const SlotFile& registry, std::int64_t first, std::int64_t last,
                       std::vector<std::int32_t>& keys, CheckReport& report) {
    std::int32_t previous = first > 1 ? RecordKey(registry.Text(first - 1)) : 0;
    for (std::int64_t n = first; n <= last; ++n) {
        const std::string_view text = registry.Text(n);
        const std::int32_t key = RecordKey(text);
        keys[static_cast<std::size_t>(n - 1)] = key;
        if (key < 1) {
            report.Note(ProblemKind::kBadKey, [&] {
                return Finding{std::string(kRegistryName), n, 0, "key " + Quoted(Left(text, 5))};
            });
        }
        if (n > 1 && key < previous) {
            report.Note(ProblemKind::kRegistryOrder, [&] {
                return Finding{std::string(kRegistryName), n - 1, n, KeysOf(registry, n - 1, n)};
            });
        }
        previous = key;
    }
}

// The record a lookup of key finds among records 1 ... keys.size() whose keys are keys, searched
// for as the lookup searches; 0 when it finds none. A key above the last record's is not
// searched for, as the lookup does not begin for it.
std::int64_t RecordFoundFor(const std::vector<std::int32_t>& keys, std::int32_t key) {
    if (keys.empty() || key > keys.back()) return 0;
    const auto keyOf = [&keys](std::int64_t n) -> Result<std::int32_t> {
        return keys[static_cast<std::size_t>(n - 1)];
    };
    int compared = 0;
    const Result<std::int64_t> found =
        SearchRecords(static_cast<std::int64_t>(keys.size()), key, keyOf, compared);
    return found ? *found : 0;
}

// Registry records whose key an earlier record holds, each named with the latest such record
// and the record a lookup of the key finds, so that a keeper mends the others. In a registry
// out of order the two need not be neighbours, and the lookup may find neither. Keys below 1,
// which no lookup takes, are bad keys, not repetitions of each other.
void CheckRepeatedKeys(const SlotFile& registry, const std::vector<std::int32_t>& keys,
                       CheckReport& report) {
    // The record that last held each key: keys of up to five digits in a table, others in a map.
    constexpr std::int32_t kTableKeys = 100000;
    std::vector<std::int32_t> lastOfKey(kTableKeys, 0);
    std::unordered_map<std::int32_t, std::int32_t> lastOfOtherKey;
    for (std::size_t i = 0; i < keys.size(); ++i) {
        const std::int32_t key = keys[i];
        if (key < 1) continue;
        std::int32_t& last =
            key < kTableKeys ? lastOfKey[static_cast<std::size_t>(key)] : lastOfOtherKey[key];
        const auto n = static_cast<std::int64_t>(i) + 1;
        if (last != 0) {
            report.Note(ProblemKind::kRepeatedKey, [&] {
                const std::int64_t found = RecordFoundFor(keys, key);
                return Finding{std::string(kRegistryName), last, n,
                               KeysOf(registry, last, n) + ": a lookup of " + std::to_string(key) +
                                   " finds " +
                                   (found == 0 ? "no record" : "record " + std::to_string(found))};
            });
        }
        last = static_cast<std::int32_t>(n);
    }
}

// A lookup takes no key above the last record's, without reading the registry: the records
// whose keys are higher, wherever they stand, are never found. Noted at the last record, with
// the first record of the highest key.
void CheckLastKeyBound(const SlotFile& registry, const std::vector<std::int32_t>& keys,
                       CheckReport& report) {
    if (keys.empty()) return;
    const std::int32_t lastKey = keys.back();
    std::int32_t highestKey = lastKey;
    std::size_t highest = 0;
    std::size_t above = 0;
    for (std::size_t i = 0; i < keys.size(); ++i) {
        if (keys[i] <= lastKey) continue;
        ++above;
        if (keys[i] > highestKey) {
            highestKey = keys[i];
            highest = i;
        }
    }
    if (above == 0) return;
    const auto last = static_cast<std::int64_t>(keys.size());
    report.Note(ProblemKind::kRegistryOrder, [&] {
        return Finding{std::string(kRegistryName), last, 0,
                       "last key " + QuotedKey(registry, last) +
                           ": no lookup takes a higher one, so " + std::to_string(above) +
                           (above == 1 ? " record is" : " records are") +
                           " never found (the highest key, " +
                           QuotedKey(registry, static_cast<std::int64_t>(highest) + 1) +
                           ", is record " + std::to_string(highest + 1) + ")"};
    });
}

// The records whose key a lookup does not find. Only a registry out of order has any, and only
// there is each key searched for; keys below 1 are bad keys, which no lookup takes.
void CheckKeysFound(const SlotFile& registry, const std::vector<std::int32_t>& keys,
                    CheckReport& report) {
    if (std::is_sorted(keys.begin(), keys.end())) return;
    const auto count = static_cast<std::int64_t>(keys.size());
    for (std::int64_t n = 1; n <= count; ++n) {
        const std::int32_t key = keys[static_cast<std::size_t>(n - 1)];
        if (key < 1 || RecordFoundFor(keys, key) != 0) continue;
        report.Note(ProblemKind::kNeverFound, [&] {
            return Finding{std::string(kRegistryName), n, 0,
                           "key " + QuotedKey(registry, n) + ": a lookup of " +
                               std::to_string(key) + " finds no record"};
        });
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
    // Checks the two tables; the record files present or missing are told here, their bytes
    // later.
    DataSetCheck(std::string_view examTable, std::string_view titleTable, bool examsPresent,
                 bool yearsPresent, std::chrono::year_month_day today)
        : today_(CheckDay::Of(today)),
          examCodes_(CheckExamTable(examTable, tables_)),
          titleCodes_(CheckTitleTable(titleTable, tables_)),
          exams_(kExamsName, {}, kExamSlotSize, examsPresent),
          years_(kYearsName, {}, kYearSlotSize, yearsPresent) {}

    // The exam and year records (the bytes of a missing file are empty), in blocks on two
    // threads. The bytes must outlive the check.
    void CheckRecordFiles(std::string_view examBytes, std::string_view yearBytes) {
        // An empty file (a copy cut off) reads as a missing one does, and is reported as one:
        // the file itself, not every run into it.
        missingFiles_ = MissingFiles({exams_.Present(), examBytes}, {years_.Present(), yearBytes});
        exams_ = SlotFile(kExamsName, examBytes, kExamSlotSize, !examBytes.empty());
        years_ = SlotFile(kYearsName, yearBytes, kYearSlotSize, !yearBytes.empty());
        facts_ = RecordFacts(exams_, years_);
        examBlocks_ = CheckSlotsInBlocks(
            exams_, [&](std::int64_t first, std::int64_t last, CheckReport& report) {
                CheckExamRecords(exams_, examCodes_, first, last, facts_.examDays, report);
            });
        yearBlocks_ = CheckSlotsInBlocks(
            years_, [&](std::int64_t first, std::int64_t last, CheckReport& report) {
                CheckYearRecords(years_, first, last, facts_.yearIsYear, report);
            });
        exams_.CheckLastSlot(recordFilesEnd_);
        years_.CheckLastSlot(recordFilesEnd_);
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
        // The records a lookup reaches: a last slot half there or less is none of them.
        const std::int64_t records =
            RegistryRecordCount(static_cast<std::int64_t>(registryBytes.size())).value_or(0);
        const StudentContext context{exams_, years_, facts_, titleCodes_, today_};
        const auto students = static_cast<std::size_t>(records);
        StudentRuns examRuns(students);
        StudentRuns yearRuns(students);
        std::vector<std::int32_t> keys(students);
        blocks_ = std::vector<BlockReports>(BlockCount(records, kBlockRecords));
        const bool arrived = CheckInBlocks(
            records, kBlockRecords, [&](std::size_t block, std::int64_t first, std::int64_t last) {
                const std::size_t needed = registry.EndOfSlot(last);
                if (waitFor(needed) < needed) return false;
                BlockReports& reports = blocks_[block];
                registry.CheckLengthFields(first, last, reports.registry);
                CheckRegistryKeys(registry, first, last, keys, reports.registry);
                CheckStudents(context, registry, first, last, examRuns, yearRuns, reports.students);
                return true;
            });
        if (!arrived) return false;
        CheckLastKeyBound(registry, keys, lastKeyBound_);
        CheckKeysFound(registry, keys, neverFound_);
        CheckRepeatedKeys(registry, keys, repeatedKeys_);
        registry.CheckLastSlot(
            registryEnd_, records < registry.Count()
                              ? ", no record: lookups read records 1-" + std::to_string(records)
                              : std::string());
        InParallel(
            [&] {
                CheckRunsInFile(kExamsName, examRuns, static_cast<std::size_t>(exams_.Count()),
                                static_cast<std::size_t>(exams_.WholeCount()), examOverlaps_);
            },
            [&] {
                CheckRunsInFile(kYearsName, yearRuns, static_cast<std::size_t>(years_.Count()),
                                static_cast<std::size_t>(years_.WholeCount()), yearOverlaps_);
            },
            records > kBlockRecords);
        return true;
    }

    // Everything found: the record files missing, the tables, the registry and its students,
    // then the exam and year records and their runs. A kind found in several files (short
    // records, dates) lists the registry's and its students' first: a registry record's fault
    // costs a whole card.
    CheckReport Report() const {
        CheckReport report = missingFiles_;
        report.Append(tables_);
        for (const BlockReports& block : blocks_)
            report.Append(block.registry);
        report.Append(lastKeyBound_);
        report.Append(neverFound_);
        report.Append(repeatedKeys_);
        report.Append(registryEnd_);
        for (const BlockReports& block : blocks_)
            report.Append(block.students);
        for (const CheckReport& block : examBlocks_)
            report.Append(block);
        for (const CheckReport& block : yearBlocks_)
            report.Append(block);
        report.Append(recordFilesEnd_);
        report.Append(examOverlaps_);
        report.Append(yearOverlaps_);
        return report;
    }

  private:
    // The length fields and then checkRecords(first, last, report) of each block of file's
    // records, on two threads; one report per block, in file order.
    template <typename CheckRecords>
    static std::vector<CheckReport> CheckSlotsInBlocks(const SlotFile& file,
                                                       CheckRecords checkRecords) {
        // Blocks of some 250 KB of either record file.
        constexpr std::int64_t kBlockRecords = 16384;
        std::vector<CheckReport> blocks(BlockCount(file.Count(), kBlockRecords));
        CheckInBlocks(file.Count(), kBlockRecords,
                      [&](std::size_t block, std::int64_t first, std::int64_t last) {
                          file.CheckLengthFields(first, last, blocks[block]);
                          checkRecords(first, last, blocks[block]);
                          return true;
                      });
        return blocks;
    }

    // The exam and year files, each present or not, with its bytes.
    using RecordFileBytes = std::pair<bool, std::string_view>;
    static CheckReport MissingFiles(RecordFileBytes exams, RecordFileBytes years) {
        CheckReport report;
        for (const auto& [name, file] :
             {std::pair{kExamsName, exams}, std::pair{kYearsName, years}}) {
            const auto& [present, bytes] = file;
            if (!present || bytes.empty()) {
                report.Add(ProblemKind::kMissingFile,
                           {std::string(name), 0, 0, present ? "empty file" : "no such file"});
            }
        }
        return report;
    }

    CheckDay today_;
    CheckReport missingFiles_;  // record files missing or empty
    CheckReport tables_;
    std::vector<BlockReports> blocks_;     // the registry's records, block by block
    CheckReport lastKeyBound_;             // keys above the last record's
    CheckReport neverFound_;               // records a lookup of their key does not find
    CheckReport repeatedKeys_;             // keys that more than one record holds
    CheckReport registryEnd_;              // the registry's last slot
    std::vector<CheckReport> examBlocks_;  // the exam records, block by block
    std::vector<CheckReport> yearBlocks_;  // the year records, block by block
    CheckReport recordFilesEnd_;           // the last slots of the exam and year files
    CheckReport examOverlaps_;
    CheckReport yearOverlaps_;
    ExamTableCodes examCodes_;
    TableCodes titleCodes_;
    // Present or missing from the start; their bytes come with CheckRecordFiles.
    SlotFile exams_;
    SlotFile years_;
    RecordFacts facts_{exams_, years_};
};

// An error when the data files of dataDir cannot be held and checked in the memory left to the
// process: naming the first file too large on its own, or else dataDir, whose files are read
// and kept together, when they are too large all at once.
Status AllFitInMemory(const std::string& dataDir) {
    const std::uintmax_t room = MemoryLeftToThisProcess();
    std::uintmax_t total = 0;
    for (const std::string_view name : kDataFileNames) {
        struct stat info {};
        const std::string path = dataDir + std::string(name);
        // A file that is not there, or no file, is named as the reading meets it.
        if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode) || info.st_size <= 0)
            continue;
        // Of a table, no more is read than tells it is no table (ReadTableText).
        const bool table = name == kExamTableName || name == kTitleTableName;
        const auto size = std::min(static_cast<std::uintmax_t>(info.st_size),
                                   table ? std::uintmax_t{kLargestTable} + 1 : UINTMAX_MAX);
        if (const std::optional<std::string> why = WhyTooLargeToHold(size, "holds", room))
            return Error{path, *why};
        total += size;
    }
    if (const std::optional<std::string> why =
            WhyTooLargeToHold(total, "its data files hold", room))
        return Error{dataDir, *why};
    return Ok();
}

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

// An error naming the first file of dataDir that before and after find replaced or changed.
Status SameFiles(const std::string& dataDir, const DataFileVersions& before,
                 const DataFileVersions& after) {
    for (std::size_t i = 0; i < kDataFileNames.size(); ++i) {
        const FileChange change = ChangeOf(before[i], after[i]);
        if (change == FileChange::kNone) continue;
        return Error{dataDir + std::string(kDataFileNames[i]),
                     std::string(change == FileChange::kWrittenInPlace ? "changed" : "replaced") +
                         " while the data was checked: the report would mix the files before "
                         "and after; check again"};
    }
    return Ok();
}

}  // namespace

Result<DataFileContents> ReadDataFiles(const std::string& dataDir) {
    VELMARO_TRY(DataFolderThere(dataDir));
    const std::string registryPath = dataDir + std::string(kRegistryName);
    VELMARO_TRY(AllFitInMemory(dataDir));
    DataFileContents files;
    const FolderSource folder(dataDir);
    VELMARO_TRY(files.titleTable, ReadTableText(folder, std::string(kTitleTableName)));
    VELMARO_TRY(files.examTable, ReadTableText(folder, std::string(kExamTableName)));
    VELMARO_TRY(files.registry, ReadWholeFile(registryPath));
    VELMARO_TRY(CheckHoldsRecords(registryPath, files.registry));
    VELMARO_TRY(files.exams, ReadFileIfPresent(dataDir + std::string(kExamsName)));
    VELMARO_TRY(files.years, ReadFileIfPresent(dataDir + std::string(kYearsName)));
    return files;
}

CheckReport CheckDataFiles(const DataFileContents& files, std::chrono::year_month_day today) {
    DataSetCheck check(files.examTable, files.titleTable, files.exams.has_value(),
                       files.years.has_value(), today);
    check.CheckRecordFiles(BytesOrNone(files.exams), BytesOrNone(files.years));
    const std::size_t size = files.registry.size();
    check.CheckRegistry(files.registry, [size](std::size_t) { return size; });
    return check.Report();
}

namespace {

// CheckDataDir, without the look at whether the files were replaced or changed meanwhile.
Result<CheckReport> CheckDataDirOnce(const std::string& dataDir,
                                     std::chrono::year_month_day today) {
    const std::string registryPath = dataDir + std::string(kRegistryName);
    const std::string examsPath = dataDir + std::string(kExamsName);
    const std::string yearsPath = dataDir + std::string(kYearsName);
    VELMARO_TRY(DataFolderThere(dataDir));
    VELMARO_TRY(AllFitInMemory(dataDir));
    for (const std::string& path : {examsPath, yearsPath})
        StartReadingAhead(path);
    const FolderSource folder(dataDir);
    VELMARO_TRY(std::string titleTable, ReadTableText(folder, std::string(kTitleTableName)));
    VELMARO_TRY(std::string examTable, ReadTableText(folder, std::string(kExamTableName)));
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
        check.emplace(examTable, titleTable, exams->has_value(), years->has_value(), today);
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
                           std::move(*exams), std::move(*years)},
                          today);
}

}  // namespace

Result<CheckReport> CheckDataDir(const std::string& dataDir, std::chrono::year_month_day today) {
    const DataFileVersions before = VersionsOf(dataDir);
    VELMARO_TRY(CheckReport report, CheckDataDirOnce(dataDir, today));
    VELMARO_TRY(SameFiles(dataDir, before, VersionsOf(dataDir)));
    return report;
}

}  // namespace velmaro
