#include "store/data_file_versions.h"

#include <sys/stat.h>

#include <utility>

namespace velmaro {

std::optional<FileVersion> VersionOf(const std::string& path) {
    struct stat named {};
    if (::stat(path.c_str(), &named) != 0) return std::nullopt;
    return FileVersion{named.st_dev,         named.st_ino,          named.st_size,
                       named.st_mtim.tv_sec, named.st_mtim.tv_nsec, named.st_ctim.tv_sec,
                       named.st_ctim.tv_nsec};
}

DataFileVersions VersionsOf(const std::string& dataDir) {
    DataFileVersions versions;
    for (std::size_t i = 0; i < kDataFileNames.size(); ++i)
        versions[i] = VersionOf(dataDir + std::string(kDataFileNames[i]));
    return versions;
}

FileChange ChangeOf(const std::optional<FileVersion>& before,
                    const std::optional<FileVersion>& after) {
    if (before == after) return FileChange::kNone;
    const bool sameFile =
        before && after && before->device == after->device && before->inode == after->inode;
    return sameFile ? FileChange::kWrittenInPlace : FileChange::kReplaced;
}

RecordFilesWatch::RecordFilesWatch(std::string dataDir) : dataDir_(std::move(dataDir)) {
    for (std::size_t i = 0; i < kRecordFileNames.size(); ++i)
        atStart_[i] = VersionOf(dataDir_ + std::string(kRecordFileNames[i]));
}

Status RecordFilesWatch::NoneWrittenInPlace() const {
    for (std::size_t i = 0; i < kRecordFileNames.size(); ++i) {
        const std::string path = dataDir_ + std::string(kRecordFileNames[i]);
        if (ChangeOf(atStart_[i], VersionOf(path)) != FileChange::kWrittenInPlace) continue;
        return Error{path,
                     "written into while the cards were drawn: a card drawn since could mix its "
                     "records before and after; draw the cards again once it is written"};
    }
    return Ok();
}

}  // namespace velmaro
