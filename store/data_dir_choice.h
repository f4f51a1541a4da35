#pragma once

#include <optional>
#include <string>

#include "base/result.h"

namespace velmaro {

// What chose the data folder, in the order the places are consulted.
enum class DataDirOrigin { kOption, kEnvironment, kSettings, kExecutableFolder, kChosenInWindow };

// The data folder in use and what chose it. dataDir is the folder followed by "/".
struct DataDirChoice {
    std::string dataDir;
    DataDirOrigin origin = DataDirOrigin::kExecutableFolder;
    std::string settingsFile = {};  // chosen by the settings: the file whose DataDir chose it
};

// The places that may name the data folder; an empty text counts as not naming one.
struct DataDirSources {
    std::optional<std::string> option;       // --data-dir
    std::optional<std::string> environment;  // VELMARO_DATA_DIR
    std::optional<std::string> settings;     // DataDir in the settings file
    std::string executableFolder;            // the folder of the running executable
    // Why the settings file could not say whether DataDir names a folder (it cannot be read,
    // or DataDir holds no single folder); nothing when it could.
    std::optional<Error> settingsProblem;
    std::string settingsFile = {};  // the file that settings was read from
};

// True when place names a folder: it is given and not empty.
bool NamesAFolder(const std::optional<std::string>& place);

// The first place that names a folder, in the order option, environment, settings; the
// executable's folder when none does. When the settings file is asked and cannot say, its
// problem: another folder in the place of the one it may name would be read without a word.
Result<DataDirChoice> ChooseDataDir(const DataDirSources& sources);

// error, its reason followed by the data folder it concerns and what chose that folder, so
// that the user knows where the program looked and how to point it elsewhere.
Error WithDataDirOrigin(const Error& error, const DataDirChoice& choice);

}  // namespace velmaro
