#include "tests/app/run_velmaro.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <QProcess>

#include <chrono>
#include <thread>
#include <vector>

namespace velmaro::testing {

namespace {

const char* const kVelmaro = VELMARO_BIN_DIR "/velmaro";

QProcessEnvironment TestEnvironment(const QProcessEnvironment& extra) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name :
         {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "XDG_RUNTIME_DIR", "VELMARO_DATA_DIR"})
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
    return {process.exitCode(), process.readAllStandardOutput().toStdString(),
            process.readAllStandardError().toStdString()};
}

}  // namespace

ProcessRun RunVelmaro(const QStringList& arguments, const QProcessEnvironment& extra,
                      const QByteArray& input, const QString& outputFile,
                      const std::function<void()>& inChild) {
    return Run(kVelmaro, arguments, extra, input, outputFile, inChild);
}

int InterruptVelmaro(const QStringList& arguments, const std::function<bool()>& ready,
                     const std::vector<int>& sent, const QProcessEnvironment& extra) {
    std::vector<std::string> texts{kVelmaro};
    for (const QString& argument : arguments)
        texts.push_back(argument.toStdString());
    std::vector<std::string> environment;
    for (const QString& entry : TestEnvironment(extra).toStringList())
        environment.push_back(entry.toStdString());
    const auto pointers = [](std::vector<std::string>& strings) {
        std::vector<char*> result;
        for (std::string& text : strings)
            result.push_back(text.data());
        result.push_back(nullptr);
        return result;
    };
    // Standard input: a pipe that stays open, so that a program reading it waits.
    int input[2];
    if (::pipe2(input, O_CLOEXEC) != 0) return -1;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, input[0], 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    // The signals' default actions and no signal blocked, whatever the test runner set.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t chosen;
    sigemptyset(&chosen);
    posix_spawnattr_setsigmask(&attributes, &chosen);
    for (const int signal : sent)
        sigaddset(&chosen, signal);
    posix_spawnattr_setsigdefault(&attributes, &chosen);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    pid_t child = 0;
    const int spawned = posix_spawn(&child, kVelmaro, &actions, &attributes, pointers(texts).data(),
                                    pointers(environment).data());
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    ::close(input[0]);
    if (spawned != 0) {
        ::close(input[1]);
        return -1;
    }
    using Clock = std::chrono::steady_clock;
    const auto poll = [] { std::this_thread::sleep_for(std::chrono::milliseconds(2)); };
    const auto readyBy = Clock::now() + std::chrono::minutes(1);
    while (!ready() && Clock::now() < readyBy)
        poll();
    for (std::size_t i = 0; i < sent.size(); ++i) {
        if (i > 0) std::this_thread::sleep_for(std::chrono::milliseconds(50));
        ::kill(child, sent[i]);
    }
    // A program that goes on after the signal is ended by SIGKILL after ten seconds.
    int status = 0;
    const auto endedBy = Clock::now() + std::chrono::seconds(10);
    while (::waitpid(child, &status, WNOHANG) == 0) {
        if (Clock::now() > endedBy) {
            ::kill(child, SIGKILL);
            ::waitpid(child, &status, 0);
            break;
        }
        poll();
    }
    ::close(input[1]);
    return status;
}

ProcessRun RunVelmaroScript(const QString& script) {
    QProcessEnvironment extra;
    extra.insert("VELMARO", kVelmaro);
    return Run("/bin/sh", {"-c", script}, extra, {}, {}, {});
}

}  // namespace velmaro::testing
