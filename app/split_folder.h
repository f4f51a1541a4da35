#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/card_options.h"
#include "base/result.h"

namespace velmaro {

// Looks at folder, making nothing, before any number is read: an Error naming it, as making it
// would, when it cannot be made (a file, or a link that leads nowhere, in its place or on its
// path; a name too long; the nearest folder above it that is there takes no new folder) or,
// being there, takes no files. Otherwise whether it is still to be made (MakeSplitFolder).
Result<bool> CheckSplitFolder(const std::string& folder);

// The folders a run made for its cards, the deepest first.
using MadeFolders = std::vector<std::string>;

// Makes folder, with the folders above it that are missing, unless it is there, and checks that
// it takes new files: the folders that were missing, or an Error naming it when it cannot be
// made (a file in its place, say) or takes no files. A folder made meanwhile by another (a
// second run into it) is taken as made.
Result<MadeFolders> MakeSplitFolder(const std::string& folder);

// Removes the folders of made, the deepest first, while each is empty: a run that put no card
// in the folders it made (its first card failed, or it was interrupted) leaves none behind.
void RemoveEmptyFoldersMade(const MadeFolders& made);

// The file of the student with registry key in folder: "<folder>/5193.pdf", with one "/" also
// after a folder given with its own.
std::string SplitCardPath(const std::string& folder, std::int32_t key, CardFormat format);

}  // namespace velmaro
