// Speed of the main window: from the Enter key in the number's box to the card painted, and
// the start-up of the program up to its window shown, next to a bare Qt window with the same
// five controls; and its memory over a day of lookups (BM_DayOfLookups: flat when nothing is
// kept per card). Runs on the offscreen platform.
//
//   velmaro_bench_window [--benchmark_filter=...]
//
// With --bare-window the program instead opens the bare window and quits after its first
// paint: the point of comparison that the start-up benchmarks spawn.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QCoreApplication>
#include <QEvent>
#include <QFont>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <vector>

#include "lookup/display_flow.h"
#include "store/data_store.h"
#include "store/registry_search.h"
#include "ui/frm_vel.h"
#include "ui/quit_after_first_paint.h"

namespace {

using Clock = std::chrono::steady_clock;

const char* const kSampleDir = VELMARO_SAMPLE_DIR;

double Milliseconds(Clock::duration duration) {
    return std::chrono::duration<double, std::milli>(duration).count();
}

// Median and 90th percentile of samples, as counters.
void ReportDistribution(benchmark::State& state, std::vector<double> samples) {
    if (samples.empty()) return;
    std::sort(samples.begin(), samples.end());
    state.counters["median_ms"] = samples[samples.size() / 2];
    state.counters["p90_ms"] = samples[samples.size() * 9 / 10];
}

// The matricola of every student of the sample data, in key order.
std::vector<QString> SampleNumbers() {
    std::vector<QString> numbers;
    velmaro::Result<velmaro::DataStore> store =
        velmaro::DataStore::LoadTables(velmaro::DataDirOf(kSampleDir));
    if (!store) return numbers;
    const auto list = velmaro::RegistryKeys(store->Registry(), store->RegistryCount());
    if (!list) return numbers;
    for (const std::int32_t key : list->keys)
        numbers.push_back(QString::number(key));
    return numbers;
}

// The process's resident memory in KiB, 0 when the system does not say.
double ResidentKiB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0) return std::strtod(line.c_str() + 6, nullptr);
    }
    return 0;
}

std::unique_ptr<velmaro::FrmVel> LoadedWindow() {
    auto window =
        std::make_unique<velmaro::FrmVel>(velmaro::DataDirOf(kSampleDir), velmaro::CardContext{});
    if (!window->Form_Load().ok()) return nullptr;
    return window;
}

// A plain window with the same five controls and no logic: label, text box, three buttons.
class BareWindow final : public QWidget {
  public:
    BareWindow() {
        auto* label = new QLabel(QStringLiteral("Matr."), this);
        auto* box = new QLineEdit(QStringLiteral("5193"), this);
        auto* show = new QPushButton(QStringLiteral("&Visualizza"), this);
        auto* print = new QPushButton(QStringLiteral("&Stampa"), this);
        auto* exit = new QPushButton(QStringLiteral("&Esci"), this);
        setWindowTitle(QStringLiteral("Velmaro Studenti"));
        label->setGeometry(0, 0, 34, 24);
        box->setGeometry(51, 0, 33, 24);
        show->setGeometry(144, 0, 123, 24);
        print->setGeometry(281, 0, 123, 24);
        exit->setGeometry(418, 0, 123, 24);
        print->setEnabled(false);
        resize(548, 49);
    }
};

// Keeps processing events until the widget has handled a paint event.
void WaitForPaint(QWidget& widget) {
    widget.repaint();
    QCoreApplication::processEvents();
}

// From the Enter key in the text box (the number just typed, the window compact) to the card
// painted on the window, at the zoom in percent given as the argument.
void BM_EnterToCardPainted(benchmark::State& state) {
    const auto window = LoadedWindow();
    if (!window) {
        state.SkipWithError("the sample data cannot be loaded");
        return;
    }
    window->SetZoom(static_cast<int>(state.range(0)));
    window->show();
    QCoreApplication::processEvents();
    auto* box = window->findChild<QLineEdit*>(QStringLiteral("TxtMatr"));
    std::vector<double> presses;
    for (auto _ : state) {
        // Typing the number again: the window goes back to compact and loses its card.
        box->clear();
        box->setText(QStringLiteral("5193"));
        QCoreApplication::processEvents();

        const Clock::time_point start = Clock::now();
        QTest::keyClick(box, Qt::Key_Return);
        window->repaint();
        const Clock::duration elapsed = Clock::now() - start;
        if (!window->ShowsCard()) state.SkipWithError("no card was drawn");
        state.SetIterationTime(std::chrono::duration<double>(elapsed).count());
        presses.push_back(Milliseconds(elapsed));
    }
    ReportDistribution(state, std::move(presses));
}
BENCHMARK(BM_EnterToCardPainted)
    ->ArgName("zoom")
    ->Arg(100)
    ->Arg(200)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(300);

// Enter pressed again on the card already shown: drawn over itself, no resize.
void BM_EnterAgainOnShownCard(benchmark::State& state) {
    const auto window = LoadedWindow();
    if (!window) {
        state.SkipWithError("the sample data cannot be loaded");
        return;
    }
    window->show();
    auto* box = window->findChild<QLineEdit*>(QStringLiteral("TxtMatr"));
    QTest::keyClick(box, Qt::Key_Return);
    QCoreApplication::processEvents();
    std::vector<double> presses;
    for (auto _ : state) {
        const Clock::time_point start = Clock::now();
        QTest::keyClick(box, Qt::Key_Return);
        window->repaint();
        const Clock::duration elapsed = Clock::now() - start;
        state.SetIterationTime(std::chrono::duration<double>(elapsed).count());
        presses.push_back(Milliseconds(elapsed));
    }
    ReportDistribution(state, std::move(presses));
}
BENCHMARK(BM_EnterAgainOnShownCard)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(300);

// A day at the office: the window left open while thousands of cards are looked up, each
// sample student in turn (cards of every length, the window growing and shrinking), with the
// zoom changed after each round. Counters: the resident memory after two rounds of the sample
// students (the caches of fonts and glyphs filled) and after all ten: flat, within the few
// MiB that the heap takes and gives back, when nothing is kept per lookup.
void BM_DayOfLookups(benchmark::State& state) {
    const auto window = LoadedWindow();
    const std::vector<QString> numbers = SampleNumbers();
    if (!window || numbers.empty()) {
        state.SkipWithError("the sample data cannot be loaded");
        return;
    }
    window->show();
    auto* box = window->findChild<QLineEdit*>(QStringLiteral("TxtMatr"));
    std::size_t lookups = 0;
    double warmKiB = 0;
    std::vector<double> presses;
    for (auto _ : state) {
        const QString& number = numbers[lookups % numbers.size()];
        box->setText(number);
        const Clock::time_point start = Clock::now();
        QTest::keyClick(box, Qt::Key_Return);
        window->repaint();
        presses.push_back(Milliseconds(Clock::now() - start));
        // What the window's event loop does between two numbers typed.
        QCoreApplication::processEvents();
        if (!window->ShowsCard()) {
            state.SkipWithError(("no card was drawn for " + number.toStdString()).c_str());
            return;
        }
        ++lookups;
        if (lookups % numbers.size() == 0)
            window->SetZoom(lookups / numbers.size() % 2 ? 150 : 100);
        if (lookups == 2 * numbers.size()) warmKiB = ResidentKiB();
    }
    state.counters["rss_2_rounds_MiB"] = warmKiB / 1024;
    state.counters["rss_10_rounds_MiB"] = ResidentKiB() / 1024;
    ReportDistribution(state, std::move(presses));
}
BENCHMARK(BM_DayOfLookups)->Unit(benchmark::kMillisecond)->Iterations(4000);

// In process: the window built, loaded, shown and painted once.
void BM_InProcessStartUpVelmaro(benchmark::State& state) {
    std::vector<double> samples;
    for (auto _ : state) {
        const Clock::time_point start = Clock::now();
        const auto window = LoadedWindow();
        if (!window) {
            state.SkipWithError("the sample data cannot be loaded");
            return;
        }
        window->show();
        WaitForPaint(*window);
        samples.push_back(Milliseconds(Clock::now() - start));
    }
    ReportDistribution(state, std::move(samples));
}
BENCHMARK(BM_InProcessStartUpVelmaro)->Unit(benchmark::kMillisecond)->Iterations(100);

void BM_InProcessStartUpBareWindow(benchmark::State& state) {
    std::vector<double> samples;
    for (auto _ : state) {
        const Clock::time_point start = Clock::now();
        BareWindow window;
        window.show();
        WaitForPaint(window);
        samples.push_back(Milliseconds(Clock::now() - start));
    }
    ReportDistribution(state, std::move(samples));
}
BENCHMARK(BM_InProcessStartUpBareWindow)->Unit(benchmark::kMillisecond)->Iterations(100);

// A whole process: started, window shown and painted, ended.
void TimeProcess(benchmark::State& state, const QString& program, const QStringList& arguments) {
    std::vector<double> samples;
    for (auto _ : state) {
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        process.setProcessEnvironment(environment);
        const Clock::time_point start = Clock::now();
        process.start(program, arguments);
        if (!process.waitForFinished(30000) || process.exitCode() != 0) {
            state.SkipWithError("the program did not show its window and quit");
            return;
        }
        samples.push_back(Milliseconds(Clock::now() - start));
    }
    ReportDistribution(state, std::move(samples));
}

void BM_ProcessStartUpVelmaro(benchmark::State& state) {
    TimeProcess(state, QStringLiteral(VELMARO_BIN_DIR "/velmaro"),
                {QStringLiteral("--data-dir"), QString::fromUtf8(kSampleDir),
                 QStringLiteral("--quit-after-show")});
}
BENCHMARK(BM_ProcessStartUpVelmaro)->Unit(benchmark::kMillisecond)->Iterations(30);

void BM_ProcessStartUpBareWindow(benchmark::State& state) {
    TimeProcess(state, QCoreApplication::applicationFilePath(), {QStringLiteral("--bare-window")});
}
BENCHMARK(BM_ProcessStartUpBareWindow)->Unit(benchmark::kMillisecond)->Iterations(30);

int RunBareWindow(char* program) {
    int argc = 1;
    char* argv[] = {program, nullptr};
    QApplication application(argc, argv);
    BareWindow window;
    velmaro::QuitAfterFirstPaint quitter;
    window.installEventFilter(&quitter);
    window.show();
    return application.exec();
}

}  // namespace

int main(int argc, char* argv[]) {
    if (argc > 1 && std::strcmp(argv[1], "--bare-window") == 0) return RunBareWindow(argv[0]);
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
