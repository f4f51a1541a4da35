#pragma once

#include <string>

#include "base/result.h"

namespace velmaro {

// The folder part of path: "." when it has none, "/" for a name in the root.
std::string FolderOf(const std::string& path);

// Where writing path would write: path with every symbolic link at its end followed, also a
// link whose target does not exist yet (writing creates it), up to a name of a descriptor of
// this process. An error for a loop of links or a link that cannot be read.
Result<std::string> FollowLinks(std::string path);

}  // namespace velmaro
