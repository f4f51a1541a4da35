// Batch cards as a user runs them: the built `velmaro card` spawned on the sample data, each run
// measured by the child's own CPU or wall-clock time, next to a baseline in the same run.
//
//   velmaro_bench_batch --benchmark_repetitions=5 --benchmark_enable_random_interleaving=true
//                       --benchmark_report_aggregates_only=true
//
// Benchmarks (the Time column is the child's CPU time, or its wall-clock time for split/*):
//   batch/pdf_velmaro       velmaro card --all -o all.pdf: the 400 sample cards in one PDF
//   batch/pdf_bare_replay   the floor: this program started with --replay, a bare Qt program
//                           that replays the same recorded operations (velmaro card --all
//                           --format ops) into a QPdfWriter with plain QPainter calls
//   split/jobs1, split/jobs2  velmaro card --all --split DIR --jobs 1 (2): one PDF per card, each
//                           run into a new folder, as a batch usually goes
//   split/halves_side_by_side  the machine's own ceiling for --jobs 2: two --jobs 1 runs
//                           started at once, each on half of the students (--from), timed until
//                           both have ended
//   split_memory/jobs1, split_memory/jobs2  the same two, writing into a folder in memory
//                           (tmpfs, /dev/shm): Velmaro's own work, without the disk's file system
//   split/one_card, split_memory/one_card  the same with one number (5193): the start and end
//                           of the program, which stay on one thread whatever --jobs says
//   split/libraries_loaded  velmaro --version: the program's 50 shared libraries (Qt's and
//                           those Qt Gui brings) loaded and let go, and nothing else: the part of
//                           one_card that comes before any code of Velmaro's can run
//   split_memory_4000/jobs1, split_memory_4000/jobs2  the same on 4,000 generated students, a
//                           cohort, where the start of the program (some 20 ms, one thread)
//                           weighs a tenth as much as on 400
//   rss/100_cards, rss/10000_cards  one run to one PDF; counter max_rss_MiB is the child's peak
// Counters: us_per_card (child CPU per card), max_rss_MiB. After the runs it prints the ratios:
// pdf_velmaro / pdf_bare_replay (goal <= 0.6), jobs2 / jobs1 of each split (goal <= 1 / 1.8), the
// same for the two runs side by side, and split/jobs2 against them (1 when as fast); and the
// smallest jobs2 / jobs1 that two threads could give with one_card's part on one thread, and
// jobs2 / jobs1 past that part (the ratio of the rates at which cards come once started).

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <linux/magic.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/vfs.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QFile>
#include <QGuiApplication>
#include <QPainter>
#include <QPdfWriter>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "bench/ratio_reporter.h"
#include "bench/temp_folder.h"
#include "tools/sample_data.h"
#include "ui/card_page.h"
#include "ui/qt_text_metrics.h"

extern char** environ;

namespace velmaro {
namespace {

const std::string kVelmaro = VELMARO_BIN_DIR "/velmaro";
const std::string kToday = "--today=2025-10-20";

struct ChildRun {
    bool ok = false;
    double wallSeconds = 0;
    double cpuSeconds = 0;  // user + system
    long maxRssKibibytes = 0;
};

// Runs each argument list (argument 0 a path) as a child process, all at once, with standard
// output to outPath, and waits for every one: the wall-clock time runs until the last ends, the
// CPU time and peak memory add up, and ok says every child ran and exited with 0.
ChildRun RunChildren(const std::vector<std::vector<std::string>>& children,
                     const std::string& outPath) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, outPath.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const auto start = std::chrono::steady_clock::now();
    std::vector<pid_t> started;
    ChildRun run;
    run.ok = true;
    for (const std::vector<std::string>& arguments : children) {
        std::vector<char*> argv;
        for (const std::string& argument : arguments)
            argv.push_back(const_cast<char*>(argument.c_str()));
        argv.push_back(nullptr);
        pid_t pid = 0;
        if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0)
            started.push_back(pid);
        else
            run.ok = false;
    }
    auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
    for (const pid_t pid : started) {
        int status = 0;
        rusage usage{};
        if (wait4(pid, &status, 0, &usage) != pid) {
            run.ok = false;
            continue;
        }
        run.cpuSeconds += seconds(usage.ru_utime) + seconds(usage.ru_stime);
        run.maxRssKibibytes += usage.ru_maxrss;
        run.ok = run.ok && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    }
    run.wallSeconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    posix_spawn_file_actions_destroy(&actions);
    return run;
}

// The folder in memory for the split_memory runs: /dev/shm when it is a tmpfs.
std::string MemoryFolderParent() {
    struct statfs system {};
    if (statfs("/dev/shm", &system) == 0 && system.f_type == TMPFS_MAGIC) return "/dev/shm";
    return "";
}

struct Environment {
    TempFolder temporary;                     // removed at the end
    std::string folder;                       // its path
    TempFolder memory{MemoryFolderParent()};  // in memory, removed at the end
    std::string sampleDir;                    // the 400 sample students
    std::string cohortDir;                    // 4,000 generated students
    std::string opsPath;                      // their recorded operations
    std::string selfPath;                     // this program, for --replay
    std::string dir100, dir10000;
    // The sample students' numbers in two halves, one per line, for two runs side by side.
    std::string firstHalfPath, secondHalfPath;
};

// In a child's arguments, stands for a folder that no earlier run wrote: each run of a split
// benchmark writes its files into a new folder, after the disk has been synced, and the folders
// are removed only at the end. Runs that replaced the files of the run before would each free
// 400 files' inodes, and the file system's search for inodes not freed a moment ago (ext4
// skips them) would take up to half of the measured time, in the kernel, not in Velmaro.
const std::string kNewFolder = "@NEW_FOLDER@";

// children with kNewFolder replaced by folder.
std::vector<std::vector<std::string>> InFolder(std::vector<std::vector<std::string>> children,
                                               const std::string& folder) {
    for (std::vector<std::string>& arguments : children)
        std::replace(arguments.begin(), arguments.end(), kNewFolder, folder);
    return children;
}

// Reports one run of the children per iteration, timed by their CPU (or wall-clock) time;
// kNewFolder in their arguments names a new folder under parent for each run.
void Measure(benchmark::State& state, const std::vector<std::vector<std::string>>& children,
             int cards, bool byWallClock, const std::string& parent) {
    static int runs = 0;
    ChildRun last;
    for (auto _ : state) {
        const std::string folder = parent + "/run" + std::to_string(++runs);
        ::sync();
        last = RunChildren(InFolder(children, folder), "/dev/null");
        if (!last.ok) {
            state.SkipWithError("the child run failed");
            break;
        }
        state.SetIterationTime(byWallClock ? last.wallSeconds : last.cpuSeconds);
    }
    state.counters["us_per_card"] = last.cpuSeconds * 1e6 / cards;
    state.counters["max_rss_MiB"] = static_cast<double>(last.maxRssKibibytes) / 1024;
}

// The bare replay: each `card` line starts a page, `text`, `line` and `circle` lines are drawn
// with plain QPainter calls in the card's font, from the printable area's corner.
int Replay(const std::string& opsPath, const std::string& pdfPath) {
    int argc = 1;
    char name[] = "velmaro_bench_batch";
    char* argv[] = {name, nullptr};
    qputenv("QT_QPA_PLATFORM", "offscreen");
    const QGuiApplication application(argc, argv);
    QFile file(QString::fromStdString(pdfPath));
    if (!file.open(QIODevice::WriteOnly)) return 1;
    QPdfWriter writer(&file);
    writer.setResolution(kTwipResolution);
    writer.setPageLayout(QPageLayout(CardPageLayout().pageSize(), QPageLayout::Portrait, {}));
    QPainter painter(&writer);
    painter.setFont(CardPrinterFont());
    painter.setPen(QPen(Qt::black, 0));
    const double ascent = QFontMetricsF(painter.font(), &writer).ascent();
    const double margin = CardPageLayout().paintRect(QPageLayout::Inch).left() * kTwipResolution;
    painter.translate(margin, margin);

    std::ifstream in(opsPath);
    bool firstPage = true;
    for (std::string line; std::getline(in, line);) {
        std::istringstream words(line);
        std::string kind;
        words >> kind;
        double a = 0, b = 0, c = 0, d = 0;
        if (kind == "card") {
            if (!firstPage) writer.newPage();
            firstPage = false;
        } else if (kind == "text") {
            words >> a >> b >> std::ws;
            std::string quoted;
            std::getline(words, quoted);
            std::string text;  // the card's texts carry no escapes but \" and \\.
            for (std::size_t i = 1; i + 1 < quoted.size(); ++i) {
                if (quoted[i] == '\\') ++i;
                text.push_back(quoted[i]);
            }
            painter.drawText(QPointF(a, b + ascent), QString::fromStdString(text));
        } else if (kind == "line") {
            words >> a >> b >> c >> d;
            painter.drawLine(QPointF(a, b), QPointF(c, d));
        } else if (kind == "circle") {
            std::string fill;
            words >> a >> b >> c >> fill;
            painter.setBrush(fill == "filled" ? QBrush(Qt::black) : QBrush(Qt::NoBrush));
            painter.drawEllipse(QPointF(a, b), c, c);
            painter.setBrush(Qt::NoBrush);
        }
    }
    return painter.end() && file.flush() ? 0 : 1;
}

Status Prepare(Environment& env) {
    env.folder = env.temporary.Path();
    if (env.folder.empty()) return Error{"", "cannot make a temporary folder"};
    env.sampleDir = VELMARO_SAMPLE_DIR;
    env.selfPath = std::filesystem::canonical("/proc/self/exe").string();
    env.opsPath = env.folder + "/all.ops";
    const ChildRun recorded = RunChildren({{kVelmaro, "card", "--all", "--format=ops", "--quiet",
                                            kToday, "--data-dir", env.sampleDir}},
                                          env.opsPath);
    if (!recorded.ok) return Error{env.opsPath, "the recording failed"};

    // Each card of the recording starts with its line `card "NUMBER"`.
    std::vector<std::string> numbers;
    std::ifstream ops(env.opsPath);
    for (std::string line; std::getline(ops, line);) {
        if (line.rfind("card \"", 0) == 0 && line.size() > 7)
            numbers.push_back(line.substr(6, line.size() - 7));
    }
    if (numbers.size() != 400) return Error{env.opsPath, "the recording does not hold 400 cards"};
    env.firstHalfPath = env.folder + "/first-half.txt";
    env.secondHalfPath = env.folder + "/second-half.txt";
    for (const auto& [path, from] :
         {std::pair{&env.firstHalfPath, 0}, std::pair{&env.secondHalfPath, 200}}) {
        std::ofstream half(*path);
        for (int i = from; i < from + 200; ++i)
            half << numbers[static_cast<std::size_t>(i)] << "\n";
        if (!half.flush()) return Error{*path, "cannot be written"};
    }

    env.cohortDir = env.folder + "/students4000/";
    sample::SampleDataOptions cohort;
    cohort.studentCount = 4000;
    cohort.includeSpecialCases = false;
    if (Status written = sample::WriteSampleDataSet(env.cohortDir, cohort); !written)
        return written;

    for (const auto& [count, dir] :
         {std::pair{100, &env.dir100}, std::pair{10000, &env.dir10000}}) {
        *dir = env.folder + "/students" + std::to_string(count);
        sample::SampleDataOptions options;
        options.studentCount = count;
        options.maxMatricola = 99999;
        options.includeSpecialCases = false;
        options.shareRunsBeyondRecordLimit = true;
        if (Status written = sample::WriteSampleDataSet(*dir, options); !written) return written;
    }
    return Ok();
}

}  // namespace
}  // namespace velmaro

int main(int argc, char** argv) {
    using namespace velmaro;
    if (argc == 4 && std::string(argv[1]) == "--replay") return Replay(argv[2], argv[3]);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;

    Environment env;
    if (const Status prepared = Prepare(env); !prepared) {
        std::cerr << prepared.error().Message() << "\n";
        return 1;
    }
    const std::string pdf = env.folder + "/out.pdf";
    const auto card = [&](std::vector<std::string> more, const std::string& dataDir) {
        std::vector<std::string> arguments{kVelmaro, "card",       "--quiet",
                                           kToday,   "--data-dir", dataDir};
        arguments.insert(arguments.end(), more.begin(), more.end());
        return arguments;
    };
    const auto addChildren = [&](const char* name, std::vector<std::vector<std::string>> children,
                                 int cards, bool byWallClock,
                                 const std::string& parent = std::string()) {
        return benchmark::RegisterBenchmark(name, Measure, children, cards, byWallClock,
                                            parent.empty() ? env.folder : parent)
            ->UseManualTime()
            ->Unit(benchmark::kMillisecond);
    };
    const auto add = [&](const char* name, std::vector<std::string> arguments, int cards,
                         bool byWallClock, const std::string& parent = std::string()) {
        return addChildren(name, {std::move(arguments)}, cards, byWallClock, parent);
    };
    add("batch/pdf_velmaro", card({"--all", "-o", pdf}, env.sampleDir), 400, false);
    add("batch/pdf_bare_replay", {env.selfPath, "--replay", env.opsPath, pdf}, 400, false);
    add("split/jobs1", card({"--all", "--split", kNewFolder, "--jobs", "1"}, env.sampleDir), 400,
        true);
    add("split/jobs2", card({"--all", "--split", kNewFolder, "--jobs", "2"}, env.sampleDir), 400,
        true);
    add("split/one_card", card({"--split", kNewFolder, "--jobs", "1", "5193"}, env.sampleDir), 1,
        true);
    addChildren(
        "split/halves_side_by_side",
        {card({"--from", env.firstHalfPath, "--split", kNewFolder, "--jobs", "1"}, env.sampleDir),
         card({"--from", env.secondHalfPath, "--split", kNewFolder, "--jobs", "1"}, env.sampleDir)},
        400, true);
    const std::string memory = env.memory.Path();
    if (memory.empty()) {
        std::cerr << "no tmpfs at /dev/shm: the split_memory benchmarks are left out\n";
    } else {
        for (const int jobs : {1, 2}) {
            const std::string both[] = {"split_memory/jobs", "split_memory_4000/jobs"};
            const std::string jobsText = std::to_string(jobs);
            add((both[0] + jobsText).c_str(),
                card({"--all", "--split", kNewFolder, "--jobs", jobsText}, env.sampleDir), 400,
                true, memory);
            add((both[1] + jobsText).c_str(),
                card({"--all", "--split", kNewFolder, "--jobs", jobsText}, env.cohortDir), 4000,
                true, memory);
        }
        add("split_memory/one_card",
            card({"--split", kNewFolder, "--jobs", "1", "5193"}, env.sampleDir), 1, true, memory);
    }
    add("split/libraries_loaded", {kVelmaro, "--version"}, 1, true);
    add("rss/100_cards", card({"--all", "-o", pdf}, env.dir100 + "/"), 100, false)->Iterations(1);
    add("rss/10000_cards", card({"--all", "-o", pdf}, env.dir10000 + "/"), 10000, false)
        ->Iterations(1);

    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatio("batch/pdf_velmaro", "batch/pdf_bare_replay", 0.6);
    reporter.PrintRatio("split/jobs2", "split/jobs1", 1 / 1.8);
    // What this machine gives two independent processes on the same work: the most --jobs 2
    // could give, and how near it comes.
    reporter.PrintRatio("split/halves_side_by_side", "split/jobs1", 1 / 1.8);
    reporter.PrintRatio("split/jobs2", "split/halves_side_by_side", 1.0);
    reporter.PrintRatio("split_memory/jobs2", "split_memory/jobs1", 1 / 1.8);
    reporter.PrintRatio("split_memory_4000/jobs2", "split_memory_4000/jobs1", 1 / 1.8);
    // The most two threads could give: the program's start (its libraries, Qt, the fonts, the
    // data) and end, measured by a run of one card, stay on one thread.
    reporter.PrintBestDivision("split/jobs1", "split/one_card", 2);
    reporter.PrintBestDivision("split_memory/jobs1", "split_memory/one_card", 2);
    // The most two threads could give were all of Velmaro's own work, its start included,
    // spread over both: only the loading of its libraries left on one thread.
    reporter.PrintBestDivision("split/jobs1", "split/libraries_loaded", 2);
    reporter.PrintBestDivision("split_memory/jobs1", "split/libraries_loaded", 2);
    // The rates at which cards come once the program has started, its start and end (what
    // one_card measures) left out, as the cards per second of the progress line leave them out.
    reporter.PrintRatioPastStart("split/jobs2", "split/jobs1", "split/one_card", 1 / 1.8);
    reporter.PrintRatioPastStart("split_memory/jobs2", "split_memory/jobs1",
                                 "split_memory/one_card", 1 / 1.8);
    benchmark::Shutdown();
    return 0;
}
