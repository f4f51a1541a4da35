#pragma once

#include <string>

#include "base/result.h"

namespace velmaro {

// Ok unless path, its links followed, is one of the five data files of dataDir (a folder
// followed by "/"), by any name, present or missing: Velmaro only reads its data, so no card
// may take a data file's place. The error names path as given.
Status RefuseDataFile(const std::string& dataDir, const std::string& path);

}  // namespace velmaro
