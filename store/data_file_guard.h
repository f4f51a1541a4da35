#pragma once

#include <array>
#include <filesystem>
#include <string>

#include "base/result.h"
#include "store/data_file_names.h"

namespace velmaro {

// Ok unless path, its links followed, is one of the five data files of dataDir (a folder
// followed by "/"), by any name, present or missing: Velmaro only reads its data, so no card
// may take a data file's place. The error names path as given.
Status RefuseDataFile(const std::string& dataDir, const std::string& path);

// Where the five data files of dataDir lie, each as an absolute path with its links followed
// (also to a target that is missing): a file written to one of these paths takes a data
// file's place. Empty where that cannot be told.
using DataFilePlaces = std::array<std::filesystem::path, kDataFileNames.size()>;
DataFilePlaces PlacesOfDataFiles(const std::string& dataDir);

// The error RefuseDataFile gives for path.
Error DataFileError(const std::string& path);

// Ok unless descriptor, already open for writing (standard output, say), is one of the five
// data files of dataDir: a shell's ">>" opens a data file without changing it, and Velmaro must
// not be what changes it. The error names the output as name.
Status RefuseDataFileDescriptor(const std::string& dataDir, int descriptor,
                                const std::string& name);

}  // namespace velmaro
