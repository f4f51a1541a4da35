#pragma once

#include <array>
#include <filesystem>
#include <string>

#include "base/result.h"
#include "store/data_file_names.h"

namespace velmaro {

// Ok unless path, its links followed, is one of the five data files of dataDir (a folder
// followed by "/"), by any name, present or missing, or is named as a data file of another
// data set (IsNamedAsADataSetsFile): Velmaro only reads its data, so no card may take a data
// file's place. The error names path as given.
Status RefuseDataFile(const std::string& dataDir, const std::string& path);

// Whether path is named as a data file is (elenco.dir, esami.grp ...), in a folder that holds
// the registry and both tables as regular files: a data file of some data set, present or
// missing, whatever folder a run reads.
bool IsNamedAsADataSetsFile(const std::string& path);

// Where the five data files of dataDir lie, each as an absolute path with its links followed
// (also to a target that is missing): a file written to one of these paths takes a data
// file's place. Empty where that cannot be told.
using DataFilePlaces = std::array<std::filesystem::path, kDataFileNames.size()>;
DataFilePlaces PlacesOfDataFiles(const std::string& dataDir);

// The error RefuseDataFile gives for path.
Error DataFileError(const std::string& path);

// Ok unless descriptor, already open for writing (standard output, say), is one of the five
// data files of dataDir, or a file named as a data file of another data set: a shell's ">>"
// opens a data file without changing it, and Velmaro must not be what changes it. The error
// names the output as name. With dataDir empty (no folder to read), only the name tells.
Status RefuseDataFileDescriptor(const std::string& dataDir, int descriptor,
                                const std::string& name);

}  // namespace velmaro
