#include "app/data_dir_startup.h"

#include <utility>

#include "store/data_store.h"

namespace velmaro {

Result<DataDirChoice> LoadWithFolderChoice(DataDirChoice choice,
                                           const std::function<Status(const std::string&)>& load,
                                           StartupPrompt& prompt) {
    std::optional<std::string> pickedFolder;
    while (true) {
        const Status loaded = load(choice.dataDir);
        if (loaded) break;
        const Error error = WithDataDirOrigin(loaded.error(), choice);
        pickedFolder = prompt.AskForFolder(error);
        if (!pickedFolder) return error;
        choice = DataDirChoice{DataDirOf(*pickedFolder), DataDirOrigin::kChosenInWindow};
    }
    if (pickedFolder) {
        if (Status remembered = prompt.Remember(*pickedFolder); !remembered)
            prompt.Warn(remembered.error());
    }
    return choice;
}

}  // namespace velmaro
