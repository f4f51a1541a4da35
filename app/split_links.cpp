#include "app/split_links.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <system_error>
#include <unordered_map>

#include "app/split_folder.h"
#include "base/followed_links.h"
#include "lookup/lookup_student.h"
#include "store/data_file_guard.h"

namespace velmaro {
namespace {

// The file that path, a link, leads to, through every link on the way, whether or not that
// file exists yet; path itself when its links cannot be followed (a loop).
std::filesystem::path WhereLinksLead(const std::string& path) {
    const Result<std::string> followed = FollowLinks(path);
    const std::filesystem::path target = followed ? *followed : path;
    std::error_code error;
    std::filesystem::path canonical = std::filesystem::weakly_canonical(target, error);
    return error ? target.lexically_normal() : canonical;
}

// An error when path, a link in a folder of cards that folderOwner owns, was made by someone
// else than the user running this and the folder's owner: in a folder others may write to,
// following it would let them choose which of the user's files a card replaces (the rule the
// system applies to links in shared temporary folders).
Status RefuseOthersLink(const std::string& path, uid_t folderOwner) {
    struct stat link {};
    if (::lstat(path.c_str(), &link) != 0) return Ok();
    if (link.st_uid == ::geteuid() || link.st_uid == folderOwner) return Ok();
    return Error{path, "a link that another user (" + std::to_string(link.st_uid) +
                           ") made in the folder: it is not followed"};
}

}  // namespace

std::vector<RefusedNumber> RefuseLinkedFiles(
    const std::vector<std::string>& matricolas,
    const std::vector<std::optional<std::size_t>>& earlierOfTheSameKey, const std::string& dataDir,
    DataStore& store, const SplitRequest& request) {
    std::vector<RefusedNumber> refusals;
    // Only a student found writes a file; one that cannot be read is taken as found.
    const auto found = [&](std::size_t number) {
        const Result<LookupOutcome> outcome = LookupStudent(store, matricolas[number]);
        return !outcome || outcome->student;
    };
    struct Claim {
        std::size_t number;
        std::string path;
        bool throughLink;
    };
    std::error_code ignored;
    const std::filesystem::path folder = std::filesystem::weakly_canonical(request.folder, ignored);
    // Without the folder's owner known, only the user's own links are followed.
    struct stat folderInfo {};
    const uid_t folderOwner =
        ::stat(request.folder.c_str(), &folderInfo) == 0 ? folderInfo.st_uid : ::geteuid();
    const DataFilePlaces dataFiles = PlacesOfDataFiles(dataDir);
    std::unordered_map<std::string, Claim> claims;  // by the file a card name leads to
    for (std::size_t i = 0; i < matricolas.size(); ++i) {
        const std::optional<std::int32_t> key = KeyOf(matricolas[i]);
        if (!key || earlierOfTheSameKey[i]) continue;
        std::string path = SplitCardPath(request.folder, *key, request.format);
        std::error_code notALink;
        const bool throughLink = std::filesystem::is_symlink(path, notALink);
        if (throughLink) {
            Status refused = RefuseDataFile(dataDir, path);
            if (refused) refused = RefuseOthersLink(path, folderOwner);
            if (!refused) {
                if (found(i)) refusals.push_back({i, refused.error()});
                continue;
            }
        }
        const std::filesystem::path leadsTo =
            throughLink ? WhereLinksLead(path) : folder / std::filesystem::path(path).filename();
        if (!throughLink && std::ranges::find(dataFiles, leadsTo) != dataFiles.end()) {
            if (found(i)) refusals.push_back({i, DataFileError(path)});
            continue;
        }
        const auto [claim, isFirst] =
            claims.try_emplace(leadsTo.string(), Claim{i, path, throughLink});
        if (isFirst) continue;
        if (!found(i)) continue;
        if (!found(claim->second.number)) {
            claim->second = Claim{i, std::move(path), throughLink};
            continue;
        }
        Claim refused{i, std::move(path), throughLink};
        if (claim->second.throughLink && !throughLink) std::swap(claim->second, refused);
        refusals.push_back(
            {refused.number, Error{refused.path, "a link to the card file of another number, " +
                                                     claim->second.path}});
    }
    return refusals;
}

}  // namespace velmaro
