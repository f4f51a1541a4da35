#pragma once

#include <QCommandLineParser>
#include <QString>
#include <QStringList>

#include <chrono>
#include <initializer_list>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>

#include "base/result.h"

namespace velmaro {

// Exit status of a usage error, shared by every command.
inline constexpr int kUsageErrorStatus = 2;
// Exit status of the window command when its help or version cannot be written.
inline constexpr int kOutputFailedStatus = 2;
// The exit status when memory ran out.
inline constexpr int kOutOfMemoryStatus = 2;

// Writes "velmaro: out of memory" without allocating and ends the process at once with
// kOutOfMemoryStatus, on any thread.
[[noreturn]] void EndForWantOfMemory();

// What ends the program when an exception escapes: memory that ran out, as EndForWantOfMemory;
// anything else says what failed on standard error, "velmaro: unexpected failure: <what>",
// before the program aborts. Installed with std::set_terminate in main().
[[noreturn]] void EndForUnexpectedFailure();

// The one form of every usage error: "velmaro: <what>", then where the help is
// (helpCommand is "velmaro" or "velmaro card").
void ReportUsageError(std::ostream& errors, std::string_view what, std::string_view helpCommand);

// A parser's complaint about arguments, those it parsed, in the one style of the usage
// errors: an unknown option named as typed ("unknown option '--x'" for --x, "'-x'" for -x or
// one of -xyz), and no capital or full stop in the other messages either. For a command that
// takes numbers (takesNumbers), an unknown option typed as "-" and a digit says how to give a
// number beginning with "-".
QString UsageErrorText(const QCommandLineParser& parser, const QStringList& arguments,
                       bool takesNumbers);

// A usage error naming the first of options given more than once ("-o given more than once:
// give it once"): an option of one value given twice would have the last one win, unseen, and a
// script that builds a command line could write elsewhere, or read another folder, than meant.
Status RefuseRepeatedOptions(const QCommandLineParser& parser,
                             std::initializer_list<const QCommandLineOption*> options);

// The value of option (a file or folder name, as bytes) into value when it is given; a usage
// error whatIsNeeded ("--data-dir needs a folder") when it is given empty.
Status ReadNamedOption(const QCommandLineParser& parser, const QCommandLineOption& option,
                       const char* whatIsNeeded, std::optional<std::string>& value);

// The day of a --today value written YYYY-MM-DD; a usage error saying so for anything else,
// or that the value is no day of the calendar (2023-02-29).
Result<std::chrono::year_month_day> ParseTodayOption(const QString& value);

// argv[first...] behind program, ready for QCommandLineParser::parse: UTF-8 decoded, a byte that
// is not UTF-8 kept for FileNameBytes to give back (a file name in Latin-1).
QStringList CommandArguments(const QString& program, int argc, char* argv[], int first);

// Opens each of descriptors 0, 1 and 2 that the caller left closed on /dev/null as a path
// only: no file opened later takes its number, so nothing meant for standard output can land
// in a card, and a read or write of it still fails with "Bad file descriptor", as on a closed
// one. Called first in main().
void ReserveStandardDescriptors();

// The commands of the program: `velmaro card ...` and `velmaro check ...`; the window for
// anything else.
enum class Command { kWindow, kCard, kCheck };

// The command that argv names by its first argument.
Command CommandOf(int argc, char* argv[]);

// What --version prints: "velmaro <version>" and a line end.
std::string VersionText();

class OutputFile;

// What errors call standard output.
inline constexpr const char* kStandardOutputName = "standard output";

// Standard output as an OutputFile: written as a stream, every write checked, never closed.
std::unique_ptr<OutputFile> StandardOutput();

// Writes text to standard output. When it cannot be written (a full disk, a disk that lost it)
// says why on standard error, "velmaro: standard output: <reason>", and returns false, so that
// the command fails. A pipe closed by its reader ends the program by SIGPIPE, as it ends any
// filter (`velmaro check | head`).
bool PrintToStandardOutput(std::string_view text);

}  // namespace velmaro
