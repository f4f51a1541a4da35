#include "app/command_line.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <exception>
#include <iostream>
#include <new>
#include <string>
#include <string_view>

#include "app/card_run.h"
#include "base/civil_date.h"
#include "base/printable_text.h"
#include "ui/file_name_text.h"
#include "ui/output_file.h"

namespace velmaro {

void EndForWantOfMemory() {
    constexpr char kMessage[] = "velmaro: out of memory\n";
    [[maybe_unused]] const ssize_t written = ::write(STDERR_FILENO, kMessage, sizeof kMessage - 1);
    ::_exit(kOutOfMemoryStatus);
}

void EndForUnexpectedFailure() {
    std::string message = "velmaro: unexpected failure";
    if (const std::exception_ptr failure = std::current_exception()) {
        try {
            std::rethrow_exception(failure);
        } catch (const std::bad_alloc&) {
            EndForWantOfMemory();
        } catch (const std::exception& exception) {
            message += std::string(": ") + PrintableText(exception.what());
        } catch (...) {
        }
    }
    message += "\n";
    [[maybe_unused]] const ssize_t written = ::write(STDERR_FILENO, message.data(), message.size());
    std::abort();
}

void ReportUsageError(std::ostream& errors, std::string_view what, std::string_view helpCommand) {
    // The message holds what was typed (an option's value, a number): a value of megabytes is
    // shown by its start, the message's own words being far shorter.
    constexpr std::size_t kLongestUsageError = 1024;
    errors << "velmaro: " << PrintableText(EchoedText(what, kLongestUsageError)) << "\nTry '"
           << helpCommand << " --help' for more information.\n";
}

namespace {

// Whether the option name was typed after two dashes ("--x", "--x=1") among the options of
// arguments, those before "--": the parser gives the name alone, also for one letter of -xyz.
bool TypedAsLongOption(const QString& name, const QStringList& arguments) {
    if (name.size() > 1) return true;
    const QString typed = QStringLiteral("--") + name;
    for (qsizetype i = 1; i < arguments.size() && arguments[i] != QLatin1String("--"); ++i) {
        if (arguments[i] == typed || arguments[i].startsWith(typed + QLatin1Char('='))) return true;
    }
    return false;
}

}  // namespace

QString UsageErrorText(const QCommandLineParser& parser, const QStringList& arguments,
                       bool takesNumbers) {
    const QStringList unknown = parser.unknownOptionNames();
    if (!unknown.isEmpty()) {
        const QString& name = unknown.front();
        const bool typedLong = TypedAsLongOption(name, arguments);
        QString text = QStringLiteral("unknown option '%1%2'")
                           .arg(typedLong ? QStringLiteral("--") : QStringLiteral("-"), name);
        // "-5193" is taken for the options -5, -1, -9 and -3.
        if (takesNumbers && !typedLong && name.front().isDigit())
            text += QStringLiteral(": put -- before a number that begins with '-'");
        return text;
    }
    QString text = parser.errorText();
    if (text.endsWith(QLatin1Char('.'))) text.chop(1);
    if (!text.isEmpty()) text[0] = text[0].toLower();
    return text;
}

QStringList CommandArguments(const QString& program, int argc, char* argv[], int first) {
    QStringList arguments{program};
    for (int i = first; i < argc; ++i)
        arguments << FileNameText(argv[i]);
    return arguments;
}

void ReserveStandardDescriptors() {
    for (const int descriptor : {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO}) {
        if (::fcntl(descriptor, F_GETFD) != -1 || errno != EBADF) continue;
        // The lowest number free is this one, the lower ones being open by now. A descriptor
        // of a path only can be neither read nor written.
        const int reserved = ::open("/dev/null", O_PATH);
        if (reserved >= 0 && reserved != descriptor) {
            ::dup2(reserved, descriptor);
            ::close(reserved);
        }
    }
}

Command CommandOf(int argc, char* argv[]) {
    const std::string_view first = argc > 1 ? argv[1] : "";
    if (first == "card") return Command::kCard;
    if (first == "check") return Command::kCheck;
    return Command::kWindow;
}

Status RefuseRepeatedOptions(const QCommandLineParser& parser,
                             std::initializer_list<const QCommandLineOption*> options) {
    for (const QCommandLineOption* option : options) {
        if (parser.values(*option).size() <= 1) continue;
        const QString name = option->names().front();
        return Error{"", (name.size() == 1 ? "-" : "--") + name.toStdString() +
                             " given more than once: give it once"};
    }
    return Ok();
}

Status ReadNamedOption(const QCommandLineParser& parser, const QCommandLineOption& option,
                       const char* whatIsNeeded, std::optional<std::string>& value) {
    if (!parser.isSet(option)) return Ok();
    value = FileNameBytes(parser.value(option));
    if (value->empty()) return Error{"", whatIsNeeded};
    return Ok();
}

Result<std::chrono::year_month_day> ParseTodayOption(const QString& value) {
    const std::string text = value.toStdString();
    if (const auto day = ParseIsoDate(text)) return *day;
    bool writtenSo = text.size() == 10;
    for (std::size_t i = 0; writtenSo && i < text.size(); ++i)
        writtenSo = (i == 4 || i == 7) ? text[i] == '-' : (text[i] >= '0' && text[i] <= '9');
    if (writtenSo) return Error{"", "--today " + text + " is no day of the calendar"};
    return Error{"",
                 "--today must be a date written YYYY-MM-DD, not '" + FileNameBytes(value) + "'"};
}

std::string VersionText() { return std::string("velmaro ") + VELMARO_VERSION + "\n"; }

std::unique_ptr<OutputFile> StandardOutput() {
    return OutputFile::ForDescriptor(STDOUT_FILENO, QString::fromUtf8(kStandardOutputName));
}

bool PrintToStandardOutput(std::string_view text) {
    const std::unique_ptr<OutputFile> out = StandardOutput();
    Status written = out->Write(text);
    if (written) written = out->Commit();
    if (written) return true;
    ReportError(std::cerr, written.error());
    return false;
}

}  // namespace velmaro
