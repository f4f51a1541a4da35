#include "app/command_line.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdlib>
#include <exception>
#include <iostream>
#include <new>
#include <optional>
#include <string>
#include <string_view>

#include "app/card_run.h"
#include "app/data_dir_settings.h"
#include "base/civil_date.h"
#include "base/printable_text.h"
#include "store/data_file_guard.h"
#include "store/data_file_names.h"
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
    errors << "velmaro: " << PrintableText(what) << "\nTry '" << helpCommand
           << " --help' for more information.\n";
}

QString UsageErrorText(const QCommandLineParser& parser) {
    const QStringList unknown = parser.unknownOptionNames();
    if (!unknown.isEmpty()) {
        const QString& name = unknown.front();
        return QStringLiteral("unknown option '%1%2'")
            .arg(name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--"), name);
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

namespace {

// Points standard error at a descriptor of a path only, which takes no write: every message
// after this fails unseen. (Closed, should that fail: the command ends at once either way.)
void SilenceStandardError() {
    const int nowhere = ::open("/", O_PATH | O_CLOEXEC);
    if (nowhere < 0 || ::dup2(nowhere, STDERR_FILENO) < 0) ::close(STDERR_FILENO);
    if (nowhere >= 0) ::close(nowhere);
}

// The last value of --data-dir among the arguments, as the parser will take it: the value of
// another option ("-o --data-dir", "--from --") is no option.
std::optional<std::string> DataDirArgument(int argc, char* argv[]) {
    constexpr std::array<std::string_view, 8> kTakingAValue = {
        "-o", "--format", "--from", "--dpi", "--jobs", "--today", "--metrics", "--split"};
    std::optional<std::string> found;
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument == "--") break;
        if (argument == "--data-dir" && i + 1 < argc) {
            found = argv[++i];
        } else if (argument.starts_with("--data-dir=")) {
            found = std::string(argument.substr(std::string_view("--data-dir=").size()));
        } else if (std::find(kTakingAValue.begin(), kTakingAValue.end(), argument) !=
                   kTakingAValue.end()) {
            ++i;
        }
    }
    return found;
}

// Whether the regular file at path is named as a data file is, in a folder that holds the
// registry and both tables: a data file of some data set, whatever folder is in use.
bool IsInADataFolder(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    const std::string_view base = std::string_view(path).substr(slash + 1);
    if (std::find(kDataFileNames.begin(), kDataFileNames.end(), base) == kDataFileNames.end())
        return false;
    const std::string folder = path.substr(0, slash + 1);
    for (const std::string_view needed : {kRegistryName, kExamTableName, kTitleTableName}) {
        struct stat file {};
        if (::stat((folder + std::string(needed)).c_str(), &file) != 0 || !S_ISREG(file.st_mode))
            return false;
    }
    return true;
}

}  // namespace

bool SilenceStandardErrorOnADataFile(int argc, char* argv[]) {
    struct stat info {};
    if (::fstat(STDERR_FILENO, &info) != 0 || !S_ISREG(info.st_mode)) return false;
    // The data folder this run will read, by any name of its files (a hard link, a link).
    const Result<DataDirChoice> chosen =
        ChooseDataDir(CurrentDataDirSources(DataDirArgument(argc, argv)));
    bool dataFile =
        chosen && !RefuseDataFileDescriptor(chosen->dataDir, STDERR_FILENO, "standard error");
    // Or a data file of another data set: the name the system knows the open file by.
    std::array<char, 4096> name{};
    const ssize_t length = ::readlink("/proc/self/fd/2", name.data(), name.size() - 1);
    if (!dataFile && length > 0)
        dataFile = IsInADataFolder(std::string(name.data(), static_cast<std::size_t>(length)));
    if (dataFile) SilenceStandardError();
    return dataFile;
}

Result<std::chrono::year_month_day> ParseTodayOption(const QString& value) {
    if (const auto day = ParseIsoDate(value.toStdString())) return *day;
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
