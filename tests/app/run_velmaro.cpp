#include "tests/app/run_velmaro.h"

#include <signal.h>

#include <gtest/gtest.h>

#include <QFileInfo>
#include <QProcess>

#include <chrono>
#include <filesystem>
#include <thread>

#include "store/data_file_names.h"

namespace velmaro::testing {

namespace {

const char* const kVelmaro = VELMARO_BIN_DIR "/velmaro";

QProcessEnvironment TestEnvironment(const QProcessEnvironment& extra) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "XDG_RUNTIME_DIR",
                             "VELMARO_DATA_DIR", "LANGUAGE"})
        environment.remove(name);
    environment.insert("LC_ALL", "C");
    // The user's own settings must not choose the data folder of a test.
    environment.insert("XDG_CONFIG_HOME", "/nonexistent/velmaro-test-config");
    for (const QString& name : extra.keys())
        environment.insert(name, extra.value(name));
    return environment;
}

ProcessRun Run(const QString& program, const QStringList& arguments,
               const QProcessEnvironment& extra, const QByteArray& input, const QString& outputFile,
               const std::function<void()>& inChild) {
    QProcess process;
    process.setProcessEnvironment(TestEnvironment(extra));
    if (!outputFile.isEmpty()) process.setStandardOutputFile(outputFile);
    if (inChild) process.setChildProcessModifier(inChild);
    process.start(program, arguments);
    process.write(input);
    process.closeWriteChannel();
    if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit) return {};
    ProcessRun run{process.exitCode(), process.readAllStandardOutput().toStdString(),
                   process.readAllStandardError().toStdString()};
    if (run.err.find("from LD_PRELOAD cannot be preloaded") != std::string::npos)
        ADD_FAILURE() << "the program ran without its preloaded library: " << run.err;
    return run;
}

}  // namespace

QProcessEnvironment Environment(std::initializer_list<std::pair<QString, QString>> variables) {
    QProcessEnvironment environment;
    for (const auto& [name, value] : variables)
        environment.insert(name, value);
    return environment;
}

std::function<void()> Limiting(int resource, rlim_t soft, rlim_t hard) {
    return [=] {
        const rlimit limit{soft, hard == 0 ? soft : hard};
        ::setrlimit(resource, &limit);
    };
}

void CopySample(const testdata::TempDataDir& data, const std::string& subfolder) {
    std::filesystem::create_directories(data.PathOf(subfolder));
    for (const std::string_view file : kDataFileNames) {
        const std::string name(file);
        data.Write(subfolder.empty() ? name : subfolder + "/" + name,
                   testdata::FileBytes(VELMARO_SAMPLE_DIR "/" + name));
    }
}

::testing::AssertionResult Ended(const ProcessRun& run, int exitCode, const std::string& err) {
    if (run.exitCode == exitCode && run.err == err) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "ended with " << run.exitCode << " and \"" << run.err << "\" on standard error, not "
           << exitCode << " and \"" << err << "\"";
}

ProcessRun RunVelmaro(const QStringList& arguments, const QProcessEnvironment& extra,
                      const QByteArray& input, const QString& outputFile,
                      const std::function<void()>& inChild) {
    return Run(kVelmaro, arguments, extra, input, outputFile, inChild);
}

int InterruptVelmaro(const QStringList& arguments, const std::function<bool()>& ready,
                     const std::vector<int>& sent, const QProcessEnvironment& extra,
                     const QString& errorsTo) {
    QProcess process;
    process.setProcessEnvironment(TestEnvironment(extra));
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(errorsTo.isEmpty() ? QProcess::nullDevice() : errorsTo);
    // The signals' default actions and no signal blocked, whatever the test runner set.
    process.setChildProcessModifier([&sent] {
        sigset_t none;
        sigemptyset(&none);
        ::sigprocmask(SIG_SETMASK, &none, nullptr);
        for (const int signal : sent)
            ::signal(signal, SIG_DFL);
    });
    // Standard input stays an open pipe, so that a program reading it waits.
    process.start(kVelmaro, arguments);
    if (!process.waitForStarted()) return -1;
    const auto readyBy = std::chrono::steady_clock::now() + std::chrono::minutes(1);
    while (!ready() && std::chrono::steady_clock::now() < readyBy)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    for (std::size_t i = 0; i < sent.size(); ++i) {
        if (i > 0) std::this_thread::sleep_for(std::chrono::milliseconds(50));
        ::kill(static_cast<pid_t>(process.processId()), sent[i]);
    }
    // A program that goes on after the signals is ended by SIGKILL after ten seconds.
    if (!process.waitForFinished(10000)) {
        process.kill();
        process.waitForFinished();
    }
    return process.exitStatus() == QProcess::CrashExit ? process.exitCode() : 0;
}

QProcessEnvironment WithFaults(std::initializer_list<std::pair<QString, QString>> faults) {
    QProcessEnvironment extra = Environment(faults);
    const QFileInfo library(VELMARO_FAULTS);
    extra.insert("LD_PRELOAD", library.fileName());
    const QString inherited = QProcessEnvironment::systemEnvironment().value("LD_LIBRARY_PATH");
    extra.insert("LD_LIBRARY_PATH",
                 library.absolutePath() + (inherited.isEmpty() ? "" : ":" + inherited));
    return extra;
}

ProcessRun RunVelmaroScript(const QString& script) {
    QProcessEnvironment extra;
    extra.insert("VELMARO", kVelmaro);
    return Run("/bin/sh", {"-c", script}, extra, {}, {}, {});
}

}  // namespace velmaro::testing
