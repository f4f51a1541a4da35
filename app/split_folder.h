#pragma once

#include <cstdint>
#include <string>

#include "app/card_options.h"
#include "base/result.h"

namespace velmaro {

// Looks at folder, making nothing, before any number is read: an Error naming it, as making it
// would, when it cannot be made (a file, or a link that leads nowhere, in its place or on its
// path; a name too long; the nearest folder above it that is there takes no new folder) or,
// being there, takes no files. Otherwise whether it is still to be made (MakeSplitFolder).
Result<bool> CheckSplitFolder(const std::string& folder);

// Makes folder, with the folders above it that are missing, unless it is there, and checks that
// it takes new files: an Error naming it when it cannot be made (a file in its place, say) or
// takes no files. A folder made meanwhile by another (a second run into it) is taken as made.
Status MakeSplitFolder(const std::string& folder);

// The file of the student with registry key in folder: "<folder>/5193.pdf".
std::string SplitCardPath(const std::string& folder, std::int32_t key, CardFormat format);

}  // namespace velmaro
