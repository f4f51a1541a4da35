#pragma once

#include <QCommandLineParser>

namespace velmaro {

// Exit statuses of `velmaro check`.
inline constexpr int kCheckClean = 0;
inline constexpr int kCheckProblemsFound = 1;
inline constexpr int kCheckCannotRead = 2;  // also a usage error

// Registers every option of `velmaro check` on parser.
void AddCheckOptions(QCommandLineParser& parser);

// `velmaro check [--data-dir DIR] [--format text|json]`: reads the five data files once and
// reports their problems on standard output. argv[1] is "check". Exit status kCheckClean,
// kCheckProblemsFound, or kCheckCannotRead when a file cannot be read or the usage is wrong.
int RunCheckCommand(int argc, char* argv[]);

}  // namespace velmaro
