#include "app/data_dir_startup.h"

#include "store/data_store.h"

namespace velmaro {

namespace {

// What to tell a user whose folder, picked in place of one given by origin, is kept in the
// settings: the option and the variable come before the settings at every start. Nothing for
// any other origin.
const char* StillDecidesAtTheNextStart(std::optional<DataDirOrigin> origin) {
    if (origin == DataDirOrigin::kOption) {
        return "the folder chosen is kept in the settings, but a start with --data-dir still "
               "takes the folder given there";
    }
    if (origin == DataDirOrigin::kEnvironment) {
        return "the folder chosen is kept in the settings, but while VELMARO_DATA_DIR is set, "
               "each start takes the folder it gives";
    }
    return nullptr;
}

}  // namespace

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
        if (Status remembered = prompt.Remember(*pickedFolder); !remembered) {
            prompt.Warn(remembered.error());
        } else if (const char* note = StillDecidesAtTheNextStart(
                       chosen ? std::optional(chosen->origin) : std::nullopt)) {
            prompt.Warn(Error{"", note});
        }
    }
    return *choice;
}

}  // namespace velmaro
