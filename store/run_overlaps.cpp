#include "store/run_overlaps.h"

#include <string>

#include "store/check_support.h"
#include "store/data_file_names.h"

namespace velmaro {
namespace {

// A run with the number of the registry record that points at it.
struct NumberedRun {
    std::uint32_t first;
    std::uint32_t last;
    std::uint32_t registryRecord;
};

// The runs that are set, in order of their first record and, with the same first record, in
// registry order. A counting sort over the file's record numbers: linear in the registry and
// the file, and one scattered write per run.
std::vector<NumberedRun> InOrderOfFirstRecord(const StudentRuns& runs, std::size_t fileRecords) {
    // starts[r] becomes the place of the first run that begins at record r.
    std::vector<std::uint32_t> starts(fileRecords + 2, 0);
    const std::size_t lastStudent = runs.LastRegistryRecord();
    for (std::size_t n = 1; n <= lastStudent; ++n) {
        if (const RecordRun& run = runs.Of(n); run.first != 0) ++starts[run.first + 1];
    }
    for (std::size_t r = 1; r < starts.size(); ++r)
        starts[r] += starts[r - 1];
    std::vector<NumberedRun> ordered(starts.back());
    for (std::size_t n = 1; n <= lastStudent; ++n) {
        const RecordRun& run = runs.Of(n);
        if (run.first == 0) continue;
        ordered[starts[run.first]++] = {run.first, run.last, static_cast<std::uint32_t>(n)};
    }
    return ordered;
}

}  // namespace

void CheckRunsInFile(std::string_view fileName, const StudentRuns& runs, std::size_t fileRecords,
                     std::size_t wholeRecords, CheckReport& report) {
    const std::vector<NumberedRun> ordered = InOrderOfFirstRecord(runs, fileRecords);
    const NumberedRun* reach = nullptr;  // the run that reaches furthest so far
    // Records reached + 1 ... first - 1 lie in no run.
    const auto noteUnreached = [&](std::uint64_t first, std::uint64_t last) {
        if (first > last) return;
        report.Note(ProblemKind::kUnreachedRecords, [&] {
            // "3 records (5-7)", "1 record": the first is the finding's record.
            std::string found = first == last
                                    ? std::string("1 record")
                                    : std::to_string(last - first + 1) + " records (" +
                                          std::to_string(first) + "-" + std::to_string(last) + ")";
            found += reach == nullptr ? ", before every run"
                                      : ", after the run of registry record " +
                                            std::to_string(reach->registryRecord) + " (records " +
                                            std::to_string(reach->first) + "-" +
                                            std::to_string(reach->last) + ")";
            return Finding{std::string(fileName), static_cast<std::int64_t>(first), 0, found};
        });
    };
    for (const NumberedRun& run : ordered) {
        noteUnreached(reach == nullptr ? 1 : std::uint64_t{reach->last} + 1,
                      std::uint64_t{run.first} - 1);
        if (reach != nullptr && run.first <= reach->last) {
            report.Note(ProblemKind::kRunOverlap, [&] {
                return Finding{
                    std::string(kRegistryName), reach->registryRecord, run.registryRecord,
                    data_check::RecordRange(fileName, reach->first, reach->last) + " and " +
                        std::to_string(run.first) + "-" + std::to_string(run.last)};
            });
        }
        if (reach == nullptr || run.last > reach->last) reach = &run;
    }
    noteUnreached(reach == nullptr ? 1 : std::uint64_t{reach->last} + 1, wholeRecords);
}

}  // namespace velmaro
