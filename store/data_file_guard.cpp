#include "store/data_file_guard.h"

#include <filesystem>

#include "base/followed_links.h"
#include "store/data_file_names.h"

namespace velmaro {

namespace {

// Where writing path would write, as an absolute path: its links followed as the writer
// follows them (also to a target that is missing), then its folders; empty when that cannot be
// told.
std::filesystem::path Resolved(const std::string& path) {
    const Result<std::string> followed = FollowLinks(path);
    std::error_code error;
    const std::filesystem::path absolute =
        std::filesystem::absolute(followed ? *followed : path, error);
    if (error) return {};
    std::filesystem::path resolved = std::filesystem::weakly_canonical(absolute, error);
    return error ? std::filesystem::path() : resolved;
}

}  // namespace

Status RefuseDataFile(const std::string& dataDir, const std::string& path) {
    // A device or a FIFO is written as a stream and never replaced: no data file is at stake,
    // also where one is a link to it (/dev/null for a record file left empty).
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(path, error);
    if (std::filesystem::exists(status) && !std::filesystem::is_regular_file(status)) return Ok();
    const std::filesystem::path output = Resolved(path);
    for (const std::string_view name : kDataFileNames) {
        const std::string dataFile = dataDir + std::string(name);
        // The same file under another name (a hard link), or the same name, the file there or
        // not (writing would make it).
        const bool same = std::filesystem::equivalent(path, dataFile, error) ||
                          (!output.empty() && Resolved(dataFile) == output);
        if (same) return Error{path, "one of the data files, which Velmaro only reads"};
    }
    return Ok();
}

}  // namespace velmaro
