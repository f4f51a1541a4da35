#include "store/data_file_guard.h"

#include <sys/stat.h>

#include <filesystem>

#include "base/followed_links.h"
#include "store/data_file_names.h"

namespace velmaro {

namespace {

constexpr const char* kDataFileReason = "one of the data files, which Velmaro only reads";

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
        if (same) return Error{path, kDataFileReason};
    }
    return Ok();
}

Status RefuseDataFileDescriptor(const std::string& dataDir, int descriptor,
                                const std::string& name) {
    // Only a regular file can be a data file; a descriptor that is not open is reported by
    // the first write.
    struct stat output {};
    if (::fstat(descriptor, &output) != 0 || !S_ISREG(output.st_mode)) return Ok();
    for (const std::string_view file : kDataFileNames) {
        struct stat data {};
        if (::stat((dataDir + std::string(file)).c_str(), &data) == 0 &&
            data.st_dev == output.st_dev && data.st_ino == output.st_ino) {
            return Error{name, kDataFileReason};
        }
    }
    return Ok();
}

}  // namespace velmaro
