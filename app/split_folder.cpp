#include "app/split_folder.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <system_error>
#include <vector>

#include "base/system_reason.h"
#include "ui/output_file.h"

namespace velmaro {
namespace {

// Why folder, which could not be made, takes no cards: a name taken by something else than a
// folder is told as what it is (a link to a folder not made yet, say), not as "File exists".
std::string SplitFolderProblem(std::string folder, std::error_code error) {
    if (error != std::errc::file_exists) return SystemReason(error.value());
    // With its final "/" a link would be followed.
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    std::error_code ignored;
    return std::filesystem::is_symlink(folder, ignored) ? "a link to a folder that does not exist"
                                                        : SystemReason(ENOTDIR);
}

// The folder above path, as making path's folders would find it: "." above a single name.
std::filesystem::path FolderAbove(const std::filesystem::path& path) {
    std::filesystem::path above = path.parent_path();
    return above.empty() ? std::filesystem::path(".") : above;
}

// How many times a folder is looked at again because a folder came in the place of a name on its
// path while it was looked at (another run making it at the same time).
constexpr int kMostLooks = 8;

// CheckSplitFolder's look at folder, its errors naming named (folder as given); looks counts
// the looks before this one.
Result<bool> LookAtSplitFolder(const std::filesystem::path& folder, const std::string& named,
                               int looks) {
    struct stat info {};
    if (::stat(folder.c_str(), &info) == 0) {
        if (!S_ISDIR(info.st_mode)) return Error{named, SystemReason(ENOTDIR)};
        if (Status takes = CheckFolderTakesFiles(folder); !takes)
            return Error{named, takes.error().reason};
        return false;
    }
    // A file on the path, a loop of links, a name too long, a folder on the path that may not
    // be searched: making it would fail for the same reason.
    if (const int error = errno; error != ENOENT) return Error{named, SystemReason(error)};
    // Up to the nearest folder that is there; the names below it, the lowest first, are to be
    // made. Each is missing; one that is a link leading nowhere would stop the making.
    std::vector<std::filesystem::path> names;
    std::filesystem::path nearest = folder;
    while (true) {
        if (::lstat(nearest.c_str(), &info) == 0) {
            // A folder made there since the look for it (another run making the same folder)
            // is taken as making would take it: the whole path is looked at again.
            if (::stat(nearest.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && looks < kMostLooks)
                return LookAtSplitFolder(folder, named, looks + 1);
            return Error{named,
                         SplitFolderProblem(named, std::make_error_code(std::errc::file_exists))};
        }
        names.push_back(nearest.filename());
        const std::filesystem::path above = FolderAbove(nearest);
        if (::stat(above.c_str(), &info) == 0) {
            nearest = above;
            break;
        }
        // Where nothing above is left to look at, none of it can be made.
        const int error = errno;
        if (error != ENOENT || above == nearest) return Error{named, SystemReason(error)};
        nearest = above;
    }
    if (!S_ISDIR(info.st_mode)) return Error{named, SystemReason(ENOTDIR)};
    // Said of folder, as the failure to make it would be.
    if (Status takes = CheckFolderTakesFiles(nearest); !takes)
        return Error{named, takes.error().reason};
    // The names to make, from the nearest folder down. ".." after a name to make leads back to
    // the folder that name is made in, and before any to the folder above the nearest: where
    // the names lead is looked at as a folder of its own, though the names before ".." are
    // made all the same for the path to lead there.
    const long longestName = ::pathconf(nearest.c_str(), _PC_NAME_MAX);
    std::filesystem::path ledTo = nearest;
    std::vector<std::filesystem::path> toMake;
    bool wentBack = false;
    for (auto name = names.rbegin(); name != names.rend(); ++name) {
        if (name->empty() || *name == ".") continue;
        if (*name == "..") {
            wentBack = true;
            if (toMake.empty()) {
                ledTo /= "..";
            } else {
                toMake.pop_back();
            }
            continue;
        }
        if (longestName > 0 && name->native().size() > static_cast<std::size_t>(longestName))
            return Error{named, SystemReason(ENAMETOOLONG)};
        toMake.push_back(*name);
    }
    if (!wentBack) return true;
    for (const std::filesystem::path& name : toMake)
        ledTo /= name;
    if (Result<bool> there = LookAtSplitFolder(ledTo, named, looks + 1); !there)
        return there.error();
    return true;
}

}  // namespace

Result<bool> CheckSplitFolder(const std::string& folder) {
    return LookAtSplitFolder(folder, folder, 0);
}

Result<MadeFolders> MakeSplitFolder(const std::string& folder) {
    // The folders to make, and the nearest one above them that is there: each takes a new name,
    // to be flushed as a card's folder is.
    MadeFolders missing;
    std::vector<std::filesystem::path> taking;
    std::error_code looked;
    for (std::filesystem::path above = folder; !std::filesystem::exists(above, looked);) {
        if (looked) break;
        missing.push_back(above.string());
        above = FolderAbove(above);
        taking.push_back(above);
        if (above == "." || above == above.root_path()) break;
    }
    std::error_code created;
    std::filesystem::create_directories(folder, created);
    if (created) return Error{folder, SplitFolderProblem(folder, created)};
    for (auto above = taking.rbegin(); above != taking.rend(); ++above)
        VELMARO_TRY(FlushFolder(above->string(), "the folder made in it is in place"));
    VELMARO_TRY(CheckFolderTakesFiles(folder));
    return missing;
}

void RemoveEmptyFoldersMade(const MadeFolders& made) {
    for (const std::string& folder : made) {
        // A folder with anything in it stays, and so do those above it; one named twice
        // ("cards/" and "cards") is gone at its second name.
        if (::rmdir(folder.c_str()) != 0 && errno != ENOENT) return;
    }
}

std::string SplitCardPath(const std::string& folder, std::int32_t key, CardFormat format) {
    const std::string separator = folder.ends_with('/') ? "" : "/";
    return folder + separator + std::to_string(key) + "." + std::string(FormatName(format));
}

}  // namespace velmaro
