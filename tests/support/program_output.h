#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

namespace velmaro::testing {

// The standard output of `program arguments` (a tool such as pdfinfo or cupsreject), waited for
// up to a minute; empty when it cannot run. exitCode, when given, receives its exit status, or
// -1 when it did not end normally.
inline QString ProgramOutput(const QString& program, const QStringList& arguments,
                             int* exitCode = nullptr) {
    QProcess process;
    process.start(program, arguments);
    const bool ended =
        process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit;
    if (exitCode) *exitCode = ended ? process.exitCode() : -1;
    return QString::fromUtf8(process.readAllStandardOutput());
}

}  // namespace velmaro::testing
