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

void CheckRunOverlaps(std::string_view fileName, const StudentRuns& runs, std::size_t fileRecords,
                      CheckReport& report) {
    const std::vector<NumberedRun> ordered = InOrderOfFirstRecord(runs, fileRecords);
    const NumberedRun* reach = nullptr;  // the run that reaches furthest so far
    for (const NumberedRun& run : ordered) {
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
}

}  // namespace velmaro
