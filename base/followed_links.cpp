#include "base/followed_links.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "base/descriptor_name.h"
#include "base/system_reason.h"

namespace velmaro {

namespace {

constexpr int kMostLinksFollowed = 40;

}  // namespace

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

Result<std::string> FollowLinks(std::string path) {
    for (int followed = 0; followed < kMostLinksFollowed; ++followed) {
        if (DescriptorNamed(path)) return path;
        struct stat info {};
        if (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return path;
        std::string target(static_cast<std::size_t>(info.st_size) + 256, '\0');
        ssize_t length = ::readlink(path.c_str(), target.data(), target.size());
        // A target that fills the buffer may be cut short: the link was replaced by a longer
        // one since it was looked at. Read again, with room enough.
        while (length >= 0 && static_cast<std::size_t>(length) == target.size()) {
            target.resize(2 * target.size());
            length = ::readlink(path.c_str(), target.data(), target.size());
        }
        if (length < 0) return Error{"", SystemReason(errno)};
        target.resize(static_cast<std::size_t>(length));
        path = target.starts_with('/') ? target : FolderOf(path) + "/" + target;
    }
    return Error{"", SystemReason(ELOOP)};
}

}  // namespace velmaro
