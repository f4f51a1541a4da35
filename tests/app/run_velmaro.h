#pragma once

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <QByteArray>
#include <QProcessEnvironment>
#include <QStringList>

#include <functional>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "tests/store/data_files.h"

namespace velmaro::testing {

// The sample data, and the day its cards are drawn as of in the tests.
inline const QString kSample = VELMARO_SAMPLE_DIR;
inline const QString kToday = "--today=2025-10-20";

// `velmaro card arguments`, drawing as of kToday from the data in dataDir.
inline QStringList CardOf(const QString& dataDir, const QStringList& arguments = {}) {
    return QStringList{"card", kToday, "--data-dir", dataDir} + arguments;
}

inline QString AsQString(const std::string& text) { return QString::fromStdString(text); }

// An environment of the variables given, for RunVelmaro's extra.
QProcessEnvironment Environment(std::initializer_list<std::pair<QString, QString>> variables);

// For RunVelmaro's inChild: the limit of resource set to soft, and to hard (the same when 0).
std::function<void()> Limiting(int resource, rlim_t soft, rlim_t hard = 0);

// The sample's five data files, copied into data's folder subfolder (made when missing).
void CopySample(const testdata::TempDataDir& data, const std::string& subfolder = "");

struct ProcessRun {
    int exitCode = -1;
    std::string out, err;
};

// Whether run ended with exitCode and wrote exactly err on standard error.
::testing::AssertionResult Ended(const ProcessRun& run, int exitCode, const std::string& err);

// Runs the built `velmaro <arguments>` as a user would, without a display, in the C locale,
// with no VELMARO_DATA_DIR and no settings file unless extra sets them, and waits for it.
// input is its standard input; outputFile, when given, receives its standard output instead
// of out. inChild, when given, runs in the child process just before the program starts (only
// system calls that are safe after fork: limits, signal dispositions, user ids). exitCode is -1
// when it did not end normally.
ProcessRun RunVelmaro(const QStringList& arguments,
                      const QProcessEnvironment& extra = QProcessEnvironment(),
                      const QByteArray& input = {}, const QString& outputFile = {},
                      const std::function<void()>& inChild = {});

// Starts `velmaro <arguments>` in the environment RunVelmaro gives it (and extra), its output
// thrown away and its standard input a pipe that stays open, sends it the signals of sent, one
// after the other 50 ms apart, as soon as ready() holds (asked every few milliseconds, for at most
// a minute), and waits for it: at most ten seconds, then it is killed. Returns the signal that
// ended it, 0 when it exited, or -1 when it could not be started. errorsTo, when given, is the
// file its standard error is opened on.
int InterruptVelmaro(const QStringList& arguments, const std::function<bool()>& ready,
                     const std::vector<int>& sent,
                     const QProcessEnvironment& extra = QProcessEnvironment(),
                     const QString& errorsTo = {});

// The environment of a run on a system with the faults given (variables that faults.cpp names,
// with their values): the library of faults is loaded into the program before the C library
// (LD_PRELOAD) by its file name from its folder (LD_LIBRARY_PATH), as LD_PRELOAD splits a path
// at its blanks. A run whose preloaded library could not be loaded fails the test.
QProcessEnvironment WithFaults(std::initializer_list<std::pair<QString, QString>> faults);

// Runs the shell script `sh -c script`, in the environment RunVelmaro gives the program, with
// $VELMARO naming the built program: a script can give it arguments that are not UTF-8, which
// a QString argument cannot carry.
ProcessRun RunVelmaroScript(const QString& script);

}  // namespace velmaro::testing
