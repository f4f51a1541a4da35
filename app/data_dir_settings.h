#pragma once

#include <optional>
#include <string>

#include "base/result.h"
#include "store/data_dir_choice.h"

namespace velmaro {

// The places that may name the data folder for this process: option (--data-dir, when given),
// the environment variable VELMARO_DATA_DIR, the DataDir key of the settings file
// (~/.config/Velmaro/velmaro.conf, else the system-wide one under /etc/xdg) and the folder of
// the executable.
DataDirSources CurrentDataDirSources(std::optional<std::string> option);

// Stores folder, the data folder now in use, as DataDir in the user's settings file. An error
// names the settings file and says what failed; a file that holds lines which are no settings
// is left as it is.
Status RememberDataDir(const std::string& folder);

}  // namespace velmaro
