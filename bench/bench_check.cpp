// `velmaro check` on a data set of 99,999 students (about 30 exams and 5 academic years each),
// next to reading its five files once, which any check must do.
//
//   velmaro_bench_check --benchmark_repetitions=10 --benchmark_report_aggregates_only=true
//
// Set-up (a few seconds): the data set is generated into a temporary folder. Benchmarks:
//   check/read_files   ReadDataFiles: the five files read whole, once
//   check/velmaro      ReadDataFiles and CheckDataFiles: what `velmaro check` does
// After the runs it prints the ratio of the median times, check / read (goal: at most 2).

#include <benchmark/benchmark.h>
#include <stdlib.h>

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

void ReadFiles(benchmark::State& state, const std::string& dataDir) {
    for (auto _ : state) {
        auto files = ReadDataFiles(dataDir);
        if (!files) state.SkipWithError(files.error().Message().c_str());
        benchmark::DoNotOptimize(files);
    }
}

void CheckFiles(benchmark::State& state, const std::string& dataDir) {
    std::size_t problems = 0;
    for (auto _ : state) {
        auto files = ReadDataFiles(dataDir);
        if (!files) {
            state.SkipWithError(files.error().Message().c_str());
            break;
        }
        const CheckReport report = CheckDataFiles(*files);
        problems = 0;
        for (const ProblemKind kind : AllProblemKinds())
            problems += report.Group(kind).count;
    }
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
    benchmark::RegisterBenchmark("check/read_files", ReadFiles, dataDir)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("check/velmaro", CheckFiles, dataDir)
        ->Unit(benchmark::kMillisecond);

    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatio("check/velmaro", "check/read_files", 2.0);
    benchmark::Shutdown();
    return 0;
}
