#include "store/data_file_guard.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <string_view>

#include "base/descriptor_name.h"
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

bool IsNamedAsADataSetsFile(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    const std::string_view base =
        std::string_view(path).substr(slash == std::string::npos ? 0 : slash + 1);
    if (std::find(kDataFileNames.begin(), kDataFileNames.end(), base) == kDataFileNames.end())
        return false;
    const std::string folder = slash == std::string::npos ? "" : path.substr(0, slash + 1);
    for (const std::string_view needed : {kRegistryName, kExamTableName, kTitleTableName}) {
        struct stat file {};
        if (::stat((folder + std::string(needed)).c_str(), &file) != 0 || !S_ISREG(file.st_mode))
            return false;
    }
    return true;
}

Status RefuseDataFile(const std::string& dataDir, const std::string& path) {
    // A device or a FIFO is written as a stream and never replaced: no data file is at stake,
    // also where one is a link to it (/dev/null for a record file left empty).
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(path, error);
    if (std::filesystem::exists(status) && !std::filesystem::is_regular_file(status)) return Ok();
    const std::filesystem::path output = Resolved(path);
    const DataFilePlaces places = PlacesOfDataFiles(dataDir);
    for (std::size_t i = 0; i < kDataFileNames.size(); ++i) {
        // The same file under another name (a hard link), or the same name, the file there or
        // not (writing would make it).
        const bool same =
            std::filesystem::equivalent(path, dataDir + std::string(kDataFileNames[i]), error) ||
            (!output.empty() && places[i] == output);
        if (same) return DataFileError(path);
    }
    // Nor a data file of another data set: a copy read while the cards go into the folder
    // in use, say.
    if (!output.empty() && IsNamedAsADataSetsFile(output.string())) return DataFileError(path);
    return Ok();
}

DataFilePlaces PlacesOfDataFiles(const std::string& dataDir) {
    DataFilePlaces places;
    for (std::size_t i = 0; i < kDataFileNames.size(); ++i)
        places[i] = Resolved(dataDir + std::string(kDataFileNames[i]));
    return places;
}

Error DataFileError(const std::string& path) {
    return Error{path, "one of the data files, which Velmaro only reads"};
}

Status RefuseDataFileDescriptor(const std::string& dataDir, int descriptor,
                                const std::string& name) {
    // Only a regular file can be a data file; a descriptor that is not open is reported by
    // the first write.
    struct stat output {};
    if (::fstat(descriptor, &output) != 0 || !S_ISREG(output.st_mode)) return Ok();
    for (const std::string_view file : kDataFileNames) {
        struct stat data {};
        if (!dataDir.empty() && ::stat((dataDir + std::string(file)).c_str(), &data) == 0 &&
            data.st_dev == output.st_dev && data.st_ino == output.st_ino) {
            return DataFileError(name);
        }
    }
    // Or named as a data file of another data set: by the name the system knows it by.
    std::array<char, 4096> named{};
    const ssize_t length =
        ::readlink(PathOfDescriptor(descriptor).c_str(), named.data(), named.size() - 1);
    if (length > 0 &&
        IsNamedAsADataSetsFile(std::string(named.data(), static_cast<std::size_t>(length))))
        return DataFileError(name);
    return Ok();
}

}  // namespace velmaro
