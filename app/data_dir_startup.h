#pragma once

#include <functional>
#include <optional>
#include <string>

#include "base/result.h"
#include "store/data_dir_choice.h"

namespace velmaro {

// The user's part in a start-up whose data would not load.
class StartupPrompt {
  public:
    virtual ~StartupPrompt() = default;
    // Shows error and offers to pick another data folder: the folder picked, or nothing when
    // the user gives up.
    virtual std::optional<std::string> AskForFolder(const Error& error) = 0;
    // Keeps folder as the data folder of later runs.
    virtual Status Remember(const std::string& folder) = 0;
    // Tells the user of a failure that does not stop the program.
    virtual void Warn(const Error& error) = 0;
};

// Runs load on the folder chosen; while it fails, shows the error (with the folder and what
// chose it) through prompt and runs load on the folder picked instead. When no folder could
// be chosen, its error is shown first. A picked folder that loads is remembered; failing to
// remember it is only a warning, and so is a note that --data-dir or VELMARO_DATA_DIR, when
// one of them gave the folder that failed, still comes first at the next start. Returns the choice
// that loaded, or the last error once the user gave up.
Result<DataDirChoice> LoadWithFolderChoice(const Result<DataDirChoice>& chosen,
                                           const std::function<Status(const std::string&)>& load,
                                           StartupPrompt& prompt);

}  // namespace velmaro
