#pragma once

// The console output of Google Benchmark, plus the median (or only) real and CPU times of each
// benchmark, so that a program can print the ratio of two benchmarks measured in the same run.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace velmaro {

class RatioReporter : public benchmark::ConsoleReporter {
  public:
    RatioReporter() : ConsoleReporter(OO_Tabular) {}

    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
            if (median || run.run_type == Run::RT_Iteration) {
                times_[run.run_name.function_name] = {run.GetAdjustedRealTime(),
                                                      run.GetAdjustedCPUTime()};
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }

    // Prints ours / theirs for the real (wall-clock) and the CPU times, and whether the real
    // time ratio (or the CPU one, with onCpu) is at most goal.
    void PrintRatio(const std::string& ours, const std::string& theirs, double goal,
                    bool onCpu = false) const {
        const auto a = times_.find(ours);
        const auto b = times_.find(theirs);
        if (a == times_.end() || b == times_.end()) return;
        const double real = a->second.first / b->second.first;
        const double cpu = a->second.second / b->second.second;
        const double judged = onCpu ? cpu : real;
        std::printf("%-30s / %-30s real %.3f  cpu %.3f  (goal %s <= %.2f: %s)\n", ours.c_str(),
                    theirs.c_str(), real, cpu, onCpu ? "cpu" : "real", goal,
                    judged <= goal ? "met" : "NOT met");
    }

  private:
    std::map<std::string, std::pair<double, double>> times_;  // real, CPU
};

}  // namespace velmaro
