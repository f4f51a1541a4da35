#include "tests/app/run_velmaro.h"

#include <QProcess>

namespace velmaro::testing {

namespace {

ProcessRun Run(const QString& program, const QStringList& arguments,
               const QProcessEnvironment& extra, const QByteArray& input, const QString& outputFile,
               const std::function<void()>& inChild) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name :
         {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "XDG_RUNTIME_DIR", "VELMARO_DATA_DIR"})
        environment.remove(name);
    environment.insert("LC_ALL", "C");
    // The user's own settings must not choose the data folder of a test.
    environment.insert("XDG_CONFIG_HOME", "/nonexistent/velmaro-test-config");
    for (const QString& name : extra.keys())
        environment.insert(name, extra.value(name));
    QProcess process;
    process.setProcessEnvironment(environment);
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
    return Run(VELMARO_BIN_DIR "/velmaro", arguments, extra, input, outputFile, inChild);
}

ProcessRun RunVelmaroScript(const QString& script) {
    QProcessEnvironment extra;
    extra.insert("VELMARO", VELMARO_BIN_DIR "/velmaro");
    return Run("/bin/sh", {"-c", script}, extra, {}, {}, {});
}

}  // namespace velmaro::testing
