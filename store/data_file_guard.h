#pragma once

#include <string>

#include "base/result.h"

namespace velmaro {

// Ok unless path, its links followed, is one of the five data files of dataDir (a folder
// followed by "/"), by any name, present or missing: Velmaro only reads its data, so no card
// may take a data file's place. The error names path as given.
Status RefuseDataFile(const std::string& dataDir, const std::string& path);

// Ok unless descriptor, already open for writing (standard output, say), is one of the five
// data files of dataDir: a shell's ">>" opens a data file without changing it, and Velmaro must
// not be what changes it. The error names the output as name.
Status RefuseDataFileDescriptor(const std::string& dataDir, int descriptor,
                                const std::string& name);

}  // namespace velmaro
