#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace velmaro {

// The kinds of problem that the data check looks for, in the order a report lists them.
enum class ProblemKind {
    kMissingFile,
    kRegistryOrder,
    kNeverFound,
    kRepeatedKey,
    kBadKey,
    kLengthPastSlot,
    kPartialSlot,
    kShortRecord,
    kRecordLength,
    kBadCount,
    kRunBeforeFirstRecord,
    kRunPastEnd,
    kRunOverlap,
    kUnreachedRecords,
    kBadDate,
    kBadGrade,
    kModulePassCounted,
    kExamBeforeEnrolment,
    kExamAfterGraduation,
    kExamAfterExpectedEnd,
    kExamOutOfOrder,
    kChartEndsBeforeItBegins,
    kUnknownExamCode,
    kUnknownGroupCode,
    kUnknownDiplomaCode,
    kMalformedTableLine,
    kRepeatedTableCode,
};
inline constexpr std::size_t kProblemKindCount = 27;

// A stable name of kind for machine-read reports ("registry-order").
std::string_view ProblemKindId(ProblemKind kind);

// One sentence saying what kind means for the people who keep the data.
std::string_view ProblemKindDescription(ProblemKind kind);

// One place where a problem was found: the file, the record (or line) number counted from 1
// (0 when the problem concerns the whole file), a second record of the same file when the
// problem lies between two (0 when none), and the values found there (UTF-8).
struct Finding {
    std::string file;
    std::int64_t record = 0;
    std::int64_t otherRecord = 0;
    std::string found;

    bool operator==(const Finding&) const = default;
};

// How many problems of one kind, and the first few of them in the order the check reports
// them: the tables, the registry and its students, then the exam and year records.
struct ProblemGroup {
    std::size_t count = 0;
    std::vector<Finding> first;

    bool operator==(const ProblemGroup&) const = default;
};

// What the data check found, kind by kind. Parts of the data are checked on several threads,
// each counting into a report of its own many times a record: a report takes whole cache
// lines, so that no two threads write to one line.
class alignas(64) CheckReport {
  public:
    // The most findings kept per kind; the rest are only counted.
    static constexpr std::size_t kFindingsKept = 10;

    void Add(ProblemKind kind, Finding finding);

    // Adds the finding that makeFinding() returns; past the findings kept it only counts the
    // problem, and makeFinding is not called.
    template <typename MakeFinding>
    void Note(ProblemKind kind, MakeFinding makeFinding) {
        if (KeepsFindings(kind)) {
            Add(kind, makeFinding());
        } else {
            CountMore(kind, 1);
        }
    }

    // True while findings of kind are still kept: a caller with many problems to count may,
    // once this is false, count them with CountMore instead of noting each.
    bool KeepsFindings(ProblemKind kind) const {
        return groups_[Index(kind)].first.size() < kFindingsKept;
    }
    // Counts problems more problems of kind, without findings.
    void CountMore(ProblemKind kind, std::size_t problems) {
        groups_[Index(kind)].count += problems;
    }

    // Adds the problems of later, a report on what comes after this one's in the order of
    // ProblemGroup::first.
    void Append(const CheckReport& later);

    const ProblemGroup& Group(ProblemKind kind) const { return groups_[Index(kind)]; }
    // True when no problem of any kind was found.
    bool Clean() const;

  private:
    static std::size_t Index(ProblemKind kind) { return static_cast<std::size_t>(kind); }
    std::array<ProblemGroup, kProblemKindCount> groups_;
};

// Every kind, in report order.
std::array<ProblemKind, kProblemKindCount> AllProblemKinds();

}  // namespace velmaro
