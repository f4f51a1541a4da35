#include "store/data_dir_choice.h"

#include "store/data_store.h"

namespace velmaro {

namespace {

std::string OriginInWords(const DataDirChoice& choice) {
    switch (choice.origin) {
        case DataDirOrigin::kOption:
            return "given with --data-dir";
        case DataDirOrigin::kEnvironment:
            return "given by VELMARO_DATA_DIR";
        case DataDirOrigin::kSettings:
            return "given by DataDir in " +
                   (choice.settingsFile.empty() ? "the settings file" : choice.settingsFile);
        case DataDirOrigin::kChosenInWindow:
            return "chosen in the window";
        case DataDirOrigin::kExecutableFolder:
            break;
    }
    return "the executable's folder; choose another with --data-dir, VELMARO_DATA_DIR or "
           "DataDir in the settings file";
}

}  // namespace

bool NamesAFolder(const std::optional<std::string>& place) { return place && !place->empty(); }

Result<DataDirChoice> ChooseDataDir(const DataDirSources& sources) {
    if (NamesAFolder(sources.option))
        return DataDirChoice{DataDirOf(*sources.option), DataDirOrigin::kOption};
    if (NamesAFolder(sources.environment))
        return DataDirChoice{DataDirOf(*sources.environment), DataDirOrigin::kEnvironment};
    if (sources.settingsProblem) return *sources.settingsProblem;
    if (NamesAFolder(sources.settings))
        return DataDirChoice{DataDirOf(*sources.settings), DataDirOrigin::kSettings,
                             sources.settingsFile};
    return DataDirChoice{DataDirOf(sources.executableFolder), DataDirOrigin::kExecutableFolder};
}

Error WithDataDirOrigin(const Error& error, const DataDirChoice& choice) {
    return Error{error.file, error.reason + " (data folder " + choice.dataDir + ", " +
                                 OriginInWords(choice) + ")"};
}

}  // namespace velmaro
