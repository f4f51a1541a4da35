#pragma once

// Running the built velmaro executable the way a user does, for end-to-end tests.

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include <string>

namespace velmaro::testing {

struct ProcessRun {
    int exitCode = -1;
    bool crashed = false;
    std::string out;
    std::string err;
};

// The built executable, next to which the build puts the sample data.
inline QString VelmaroPath() { return QStringLiteral(VELMARO_BIN_DIR "/velmaro"); }

// The worked example's data folder.
inline QString ExampleData() { return QStringLiteral(VELMARO_EXAMPLES_DIR "/data"); }

// Runs `velmaro <arguments>` in the C locale (plus extra environment), without a display,
// and waits for it to end.
inline ProcessRun RunVelmaro(const QStringList& arguments,
                             const QProcessEnvironment& extra = QProcessEnvironment()) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("DISPLAY"));
    environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
    environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
    environment.remove(QStringLiteral("XDG_RUNTIME_DIR"));
    environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C"));
    for (const QString& name : extra.keys())
        environment.insert(name, extra.value(name));

    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(VelmaroPath(), arguments);
    ProcessRun run;
    if (!process.waitForStarted() || !process.waitForFinished(120000)) return run;
    run.crashed = process.exitStatus() != QProcess::NormalExit;
    run.exitCode = process.exitCode();
    run.out = process.readAllStandardOutput().toStdString();
    run.err = process.readAllStandardError().toStdString();
    return run;
}

}  // namespace velmaro::testing
