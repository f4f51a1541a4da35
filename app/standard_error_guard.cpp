#include "app/standard_error_guard.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCommandLineParser>

#include <iostream>
#include <optional>
#include <string>

#include "app/card_options.h"
#include "app/card_run.h"
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

}  // namespace

bool EndForAStandardStreamOnADataFile(int argc, char* argv[]) {
    // The data folder this run will read: chosen once, and only when a stream is a regular
    // file; empty when none can be chosen (then the name alone tells).
    std::optional<std::string> dataDir;
    const auto isDataFile = [&](int descriptor) {
        struct stat info {};
        if (::fstat(descriptor, &info) != 0 || !S_ISREG(info.st_mode)) return false;
        if (!dataDir) {
            const Result<DataDirChoice> chosen =
                ChooseDataDir(CurrentDataDirSources(DataDirArgument(argc, argv)));
            dataDir = chosen ? chosen->dataDir : std::string();
        }
        return !RefuseDataFileDescriptor(*dataDir, descriptor, "");
    };
    if (isDataFile(STDERR_FILENO)) {
        SilenceStandardError();
        return true;
    }
    if (isDataFile(STDOUT_FILENO)) {
        ReportError(std::cerr, DataFileError(std::string(kStandardOutputName)));
        return true;
    }
    return false;
}

}  // namespace velmaro
