#include "app/data_dir_startup.h"

#include "store/data_store.h"

namespace velmaro {

Result<DataDirChoice> LoadWithFolderChoice(const Result<DataDirChoice>& chosen,
                                           const std::function<Status(const std::string&)>& load,
                                           StartupPrompt& prompt) {
    std::optional<DataDirChoice> choice;
    std::optional<Error> error;
    if (chosen) {
        choice = *chosen;
    } else {
        error = chosen.error();
    }
    std::optional<std::string> pickedFolder;
    while (true) {
        if (choice) {
            const Status loaded = load(choice->dataDir);
            if (loaded) break;
            error = WithDataDirOrigin(loaded.error(), *choice);
        }
        pickedFolder = prompt.AskForFolder(*error);
        if (!pickedFolder) return *error;
        choice = DataDirChoice{DataDirOf(*pickedFolder), DataDirOrigin::kChosenInWindow};
    }
    if (pickedFolder) {
        if (Status remembered = prompt.Remember(*pickedFolder); !remembered)
            prompt.Warn(remembered.error());
    }
    return *choice;
}

}  // namespace velmaro
