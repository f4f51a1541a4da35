#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "store/check_report.h"

namespace velmaro {

// The records first ... last of one record file that a student's registry record points at;
// first is 0 when the student has no run that lies in the file.
struct RecordRun {
    std::uint32_t first = 0;
    std::uint32_t last = 0;
};

// The runs of one record file, one per registry record: Of(n) is the run of registry record n.
// Each registry record's run is set once, so parts of the registry may fill theirs from
// different threads.
class StudentRuns {
  public:
    // Room for the runs of registry records 1 ... registryRecords, none set yet.
    explicit StudentRuns(std::size_t registryRecords) : runs_(registryRecords + 1) {}

    // Sets registry record n's run to the records first ... last, 1 <= first <= last.
    void Set(std::int64_t n, std::uint32_t first, std::uint32_t last) {
        runs_[static_cast<std::size_t>(n)] = {first, last};
    }
    const RecordRun& Of(std::size_t n) const { return runs_[n]; }
    // The highest registry record number there is room for.
    std::size_t LastRegistryRecord() const { return runs_.size() - 1; }

  private:
    std::vector<RecordRun> runs_;
};

// Reports the runs that share records with another student's run. The runs are taken in order
// of their first record, runs with the same first record in registry order; each run that
// begins inside one taken before it is a run-overlap finding naming the registry records of
// the earlier run that reaches furthest and of this run. Also reports each stretch of the
// wholeRecords whole records that no run reaches (a last slot cut short is a finding of its
// own), as an unreached-records finding naming its records and the registry record whose run
// ends just before it. Every run lies within records 1 ... fileRecords of the file called
// fileName.
void CheckRunsInFile(std::string_view fileName, const StudentRuns& runs, std::size_t fileRecords,
                     std::size_t wholeRecords, CheckReport& report);

}  // namespace velmaro
