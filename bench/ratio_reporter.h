#pragma once

// The console output of Google Benchmark, plus the median (or only) real and CPU times of each
// benchmark, so that a program can print the ratio of two benchmarks measured in the same run.
// A benchmark that times itself (UseManualTime) has only the time it gave: its CPU time is
// that of this program, not of the work it timed (a child process, say).

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace velmaro {

class RatioReporter : public benchmark::ConsoleReporter {
  public:
    RatioReporter() : ConsoleReporter(OO_Tabular) {}

    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            const std::string& name = run.run_name.function_name;
            // A run that ended in an error timed only what it did before the error: no ratio is
            // made of it (the median of repetitions is the library's, over those that ran).
            if (run.error_occurred) {
                failed_.insert(name);
                continue;
            }
            const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
            if (median || run.run_type == Run::RT_Iteration) {
                times_[name] = {run.GetAdjustedRealTime(), run.GetAdjustedCPUTime(),
                                run.run_name.time_type == "manual_time"};
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }

    // Prints ours / theirs for the real (wall-clock) and the CPU times, and whether the real
    // time ratio (or the CPU one, with onCpu) is at most goal; for benchmarks that time
    // themselves, the ratio of their times alone. When either has no time, says which one
    // failed or was not run.
    void PrintRatio(const std::string& ours, const std::string& theirs, double goal,
                    bool onCpu = false) const {
        const auto a = times_.find(ours);
        const auto b = times_.find(theirs);
        if (a == times_.end() || b == times_.end()) {
            const std::string& missing = a == times_.end() ? ours : theirs;
            std::printf("%-30s / %-30s no ratio: %s %s\n", ours.c_str(), theirs.c_str(),
                        missing.c_str(), failed_.count(missing) != 0 ? "failed" : "was not run");
            return;
        }
        const double real = a->second.real / b->second.real;
        if (a->second.manual || b->second.manual) {
            std::printf("%-30s / %-30s time %.3f  (goal <= %.2f: %s)\n", ours.c_str(),
                        theirs.c_str(), real, goal, real <= goal ? "met" : "NOT met");
            return;
        }
        const double cpu = a->second.cpu / b->second.cpu;
        const double judged = onCpu ? cpu : real;
        std::printf("%-30s / %-30s real %.3f  cpu %.3f  (goal %s <= %.2f: %s)\n", ours.c_str(),
                    theirs.c_str(), real, cpu, onCpu ? "cpu" : "real", goal,
                    judged <= goal ? "met" : "NOT met");
    }

    // Prints the smallest time ratio that dividing whole's work over threads could reach when the
    // part that serial measures (the start and end of the program, say) stays on one thread:
    // (serial + (whole - serial) / threads) / whole, the work divided without any loss.
    void PrintBestDivision(const std::string& whole, const std::string& serial, int threads) const {
        const auto a = times_.find(whole);
        const auto b = times_.find(serial);
        if (a == times_.end() || b == times_.end()) {
            std::printf("%-30s on %d threads: no bound, %s was not run or failed\n", whole.c_str(),
                        threads, (a == times_.end() ? whole : serial).c_str());
            return;
        }
        const double wholeTime = a->second.real, serialTime = b->second.real;
        const double best = (serialTime + (wholeTime - serialTime) / threads) / wholeTime;
        std::printf("%-30s on %d threads: at best %.3f, with %s (%.1f %% of it) on one\n",
                    whole.c_str(), threads, best, serial.c_str(), 100 * serialTime / wholeTime);
    }

    // Prints (ours - start) / (theirs - start) against goal: the ratio of the times both take
    // past what start measures (a run of one card: the program's start and end), that is of the
    // rates at which they draw their cards once started. Says so when start is not below both.
    void PrintRatioPastStart(const std::string& ours, const std::string& theirs,
                             const std::string& start, double goal) const {
        const auto a = times_.find(ours);
        const auto b = times_.find(theirs);
        const auto c = times_.find(start);
        if (a == times_.end() || b == times_.end() || c == times_.end()) {
            std::printf("%-30s / %-30s past the start: no ratio, one of them was not run\n",
                        ours.c_str(), theirs.c_str());
            return;
        }
        const double startTime = c->second.real;
        if (a->second.real <= startTime || b->second.real <= startTime) {
            std::printf("%-30s / %-30s past the start: no ratio, %s takes as long\n", ours.c_str(),
                        theirs.c_str(), start.c_str());
            return;
        }
        const double ratio = (a->second.real - startTime) / (b->second.real - startTime);
        std::printf("%-30s / %-30s past the start (%s, %.1f ms): time %.3f  (goal <= %.2f: %s)\n",
                    ours.c_str(), theirs.c_str(), start.c_str(), startTime, ratio, goal,
                    ratio <= goal ? "met" : "NOT met");
    }

  private:
    struct Times {
        double real = 0;  // the real time, or with manual the time the benchmark gave
        double cpu = 0;
        bool manual = false;  // timed by the benchmark itself
    };

    std::map<std::string, Times> times_;
    std::set<std::string> failed_;  // benchmarks with a failed run
};

}  // namespace velmaro
