#include "tests/app/managed_display.h"

#include "tests/app/run_velmaro.h"

#include <QRegularExpression>
#include <QStandardPaths>

#include <algorithm>
#include <chrono>
#include <thread>

namespace velmaro::testing {

ManagedDisplay::ManagedDisplay(int width, int height) {
    for (const char* program : {"Xvfb", "openbox", "xwininfo", "xprop"}) {
        if (QStandardPaths::findExecutable(program).isEmpty()) {
            unavailable_ =
                std::string("no ") + program + " to run (packages xvfb, openbox, x11-utils)";
            return;
        }
    }
    // The server picks a display no other server holds, however it is reached, and says which.
    // It must not reset when the last client leaves: a client that came then (openbox after
    // the first xwininfo) would be refused while it resets.
    server_.start("Xvfb",
                  {"-displayfd", "1", "-screen", "0", QString("%1x%2x24").arg(width).arg(height),
                   "-nolisten", "tcp", "-noreset"});
    if (!server_.waitForStarted()) {
        unavailable_ = "Xvfb did not start";
        return;
    }
    while (!display_.endsWith('\n') && server_.waitForReadyRead(15000))
        display_ += QString::fromLatin1(server_.readAllStandardOutput());
    display_ = ":" + display_.trimmed();
    // The window manager keeps its files in a folder of the test's, not in the user's home.
    environment_ = velmaro::testing::Environment({{"DISPLAY", display_},
                                                  {"QT_QPA_PLATFORM", "xcb"},
                                                  {"HOME", home_.path()},
                                                  {"XDG_CONFIG_HOME", home_.filePath("config")},
                                                  {"XDG_CACHE_HOME", home_.filePath("cache")}});
    serving_ = display_ != ":" && WaitFor([&] { return !Asked("xwininfo", {"-root"}).isEmpty(); });
    if (!serving_) return;
    manager_.setProcessEnvironment(environment_);
    manager_.setProcessChannelMode(QProcess::MergedChannels);
    manager_.start("openbox", {"--sm-disable"});
    // Until the manager holds the display, or has ended.
    bool managerEnded = false;
    const bool managing =
        manager_.waitForStarted() && WaitFor([&] {
            managerEnded = manager_.waitForFinished(0);
            return managerEnded ||
                   Asked("xprop", {"-root", "_NET_SUPPORTING_WM_CHECK"}).contains("id #");
        }) &&
        !managerEnded;
    // A window manager that cannot run here leaves nothing to place the window: what a test
    // checks cannot be seen, as without Xvfb.
    if (!managing) {
        Stop();
        unavailable_ = "openbox did not manage " + display_.toStdString() + " (exit status " +
                       std::to_string(manager_.exitCode()) + "): " + ManagerOutput().toStdString();
    }
}

ManagedDisplay::~ManagedDisplay() { Stop(); }

void ManagedDisplay::Stop() {
    for (QProcess* process : {&manager_, &server_}) {
        process->kill();
        process->waitForFinished();
    }
}

QString ManagedDisplay::ManagerOutput() {
    return QString::fromUtf8(manager_.readAllStandardOutput());
}

QString ManagedDisplay::Asked(const QString& program, const QStringList& arguments) const {
    QProcess tool;
    tool.setProcessEnvironment(environment_);
    tool.start(program, arguments);
    tool.waitForFinished();
    return QString::fromUtf8(tool.readAllStandardOutput());
}

bool ManagedDisplay::WaitFor(const std::function<bool()>& ready, std::chrono::milliseconds within) {
    const auto by = std::chrono::steady_clock::now() + within;
    do {
        if (ready()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    } while (std::chrono::steady_clock::now() < by);
    return false;
}

std::vector<QRect> ManagedDisplay::VelmaroWindows() const {
    // From xwininfo's lines
    // '0x400010 "Velmaro Studenti": ("velmaro" "velmaro")  253x72+1+20  +273+251'.
    static const QRegularExpression shown(
        R"("Velmaro Studenti":.*\s(\d+)x(\d+)[+-]\d+[+-]\d+\s+\+(-?\d+)\+(-?\d+))");
    std::vector<QRect> windows;
    for (auto match = shown.globalMatch(Asked("xwininfo", {"-root", "-tree"})); match.hasNext();) {
        const QRegularExpressionMatch found = match.next();
        windows.emplace_back(found.captured(3).toInt(), found.captured(4).toInt(),
                             found.captured(1).toInt(), found.captured(2).toInt());
    }
    std::sort(windows.begin(), windows.end(),
              [](const QRect& a, const QRect& b) { return a.width() < b.width(); });
    return windows;
}

}  // namespace velmaro::testing
