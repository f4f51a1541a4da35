#include "app/standard_error_guard.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCommandLineParser>

#include <algorithm>
#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "app/card_options.h"
#include "app/check_command.h"
#include "app/command_line.h"
#include "app/data_dir_settings.h"
#include "app/window_command.h"
#include "store/data_file_guard.h"
#include "store/data_file_names.h"
#include "ui/file_name_text.h"

namespace velmaro {
namespace {

// Points standard error at a descriptor of a path only, which takes no write: every message
// after this fails unseen. (Closed, should that fail: the command ends at once either way.)
void SilenceStandardError() {
    const int nowhere = ::open("/", O_PATH | O_CLOEXEC);
    if (nowhere < 0 || ::dup2(nowhere, STDERR_FILENO) < 0) ::close(STDERR_FILENO);
    if (nowhere >= 0) ::close(nowhere);
}

// The last value of --data-dir among the arguments, read by the parser of the command they
// name, with its options: the value of another option ("-o --data-dir", "--from --") is no
// option. A usage error elsewhere in the arguments leaves the folder named as it is.
std::optional<std::string> DataDirArgument(int argc, char* argv[]) {
    QCommandLineParser parser;
    int first = 2;
    switch (CommandOf(argc, argv)) {
        case Command::kCard:
            AddCardOptions(parser);
            break;
        case Command::kCheck:
            AddCheckOptions(parser);
            break;
        case Command::kWindow:
            AddWindowOptions(parser);
            first = 1;
            break;
    }
    parser.parse(CommandArguments(QStringLiteral("velmaro"), argc, argv, first));
    const QString dataDir = QStringLiteral("data-dir");
    if (!parser.isSet(dataDir)) return std::nullopt;
    return FileNameBytes(parser.value(dataDir));
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

}  // namespace velmaro
