// `velmaro check` on a data set of 99,999 students (about 30 exams and 5 academic years each),
// next to reading its five files once, which any check must do.
//
//   velmaro_bench_check --benchmark_repetitions=10 --benchmark_report_aggregates_only=true
//
// Set-up (a few seconds): the data set is generated into a temporary folder. Benchmarks:
//   check/read_files        ReadDataFiles: the five files read whole, once, one after the other:
//                           the plain read that any check must at least do
//   check/velmaro           CheckDataDir: what `velmaro check` does (reads the same five files
//                           once, checking the records while the registry arrives)
//   check/read_files_cold   the same two with the files dropped from the system's page cache
//   check/velmaro_cold      before each run, as for data files not read since they were written
//                           (the time of dropping them is not counted)
// After the runs it prints the ratios of the median times, check / read (goal: at most 2).

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <iostream>
#include <string>

#include "bench/ratio_reporter.h"
#include "bench/temp_folder.h"
#include "store/data_check.h"
#include "tools/sample_data.h"

namespace velmaro {
namespace {

// Every number from 1 to 99999; runs beyond the five-digit record numbers share earlier
// records, which the check reports as overlaps: a data set with many findings to count.
sample::SampleDataOptions MeasuredDataOptions() {
    sample::SampleDataOptions options;
    options.studentCount = 99999;
    options.maxMatricola = 99999;
    options.examsPerStudent = 30;
    options.yearsPerStudent = 5;
    options.includeSpecialCases = false;
    options.shareRunsBeyondRecordLimit = true;
    return options;
}

// Asks the system to drop the data files from its page cache, so that the next read comes
// from the disk; false when it cannot be asked.
bool DropFromPageCache(const std::string& dataDir) {
    for (const char* name : {"elenco.dir", "esami.dir", "velmara.dir", "esami.grp", "titoli.grp"}) {
        const int descriptor = open((dataDir + name).c_str(), O_RDONLY | O_CLOEXEC);
        if (descriptor < 0) return false;
        const bool dropped =
            fdatasync(descriptor) == 0 && posix_fadvise(descriptor, 0, 0, POSIX_FADV_DONTNEED) == 0;
        close(descriptor);
        if (!dropped) return false;
    }
    return true;
}

// Times what measure() does per iteration; with cold, after dropping the files from the page
// cache with the clock stopped.
template <typename Measure>
void Timed(benchmark::State& state, const std::string& dataDir, bool cold, Measure&& measure) {
    for (auto _ : state) {
        if (cold) {
            state.PauseTiming();
            const bool dropped = DropFromPageCache(dataDir);
            state.ResumeTiming();
            if (!dropped) {
                state.SkipWithError("cannot drop the files from the page cache");
                break;
            }
        }
        if (!measure()) break;
    }
}

void ReadFiles(benchmark::State& state, const std::string& dataDir, bool cold) {
    Timed(state, dataDir, cold, [&] {
        auto files = ReadDataFiles(dataDir);
        if (!files) state.SkipWithError(files.error().Message().c_str());
        benchmark::DoNotOptimize(files);
        return static_cast<bool>(files);
    });
}

void CheckFiles(benchmark::State& state, const std::string& dataDir, bool cold) {
    std::size_t problems = 0;
    Timed(state, dataDir, cold, [&] {
        const Result<CheckReport> report = CheckDataDir(dataDir, std::chrono::year(2025) / 10 / 20);
        if (!report) {
            state.SkipWithError(report.error().Message().c_str());
            return false;
        }
        problems = 0;
        for (const ProblemKind kind : AllProblemKinds())
            problems += report->Group(kind).count;
        return true;
    });
    state.counters["problems"] = static_cast<double>(problems);
}

}  // namespace
}  // namespace velmaro

int main(int argc, char** argv) {
    using namespace velmaro;
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;

    const TempFolder folder;
    if (folder.Path().empty()) {
        std::cerr << "cannot make a temporary folder\n";
        return 1;
    }
    const Status written = sample::WriteSampleDataSet(folder.Path(), MeasuredDataOptions());
    if (!written) {
        std::cerr << written.error().Message() << "\n";
        return 1;
    }
    const std::string dataDir = folder.Path() + "/";
    for (const bool cold : {false, true}) {
        const std::string suffix = cold ? "_cold" : "";
        benchmark::RegisterBenchmark(("check/read_files" + suffix).c_str(), ReadFiles, dataDir,
                                     cold)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("check/velmaro" + suffix).c_str(), CheckFiles, dataDir, cold)
            ->Unit(benchmark::kMillisecond);
    }

    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatio("check/velmaro", "check/read_files", 2.0);
    reporter.PrintRatio("check/velmaro_cold", "check/read_files_cold", 2.0);
    benchmark::Shutdown();
    return 0;
}
