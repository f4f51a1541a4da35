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

namespace {

// Whether the file of before, seen again as after, was written into: its size or the time of
// its last write moved. The time of its last change alone moves also with its permissions, a
// hard link made to it (a backup's), its access time set back (a backup's too): none of them
// touches a record.
bool WrittenInPlace(const std::optional<FileVersion>& before,
                    const std::optional<FileVersion>& after) {
    if (ChangeOf(before, after) != FileChange::kWrittenInPlace) return false;
    return before->size != after->size || before->modifiedSeconds != after->modifiedSeconds ||
           before->modifiedNanoseconds != after->modifiedNanoseconds;
}

}  // namespace

RecordFilesWatch::RecordFilesWatch(std::string dataDir) : dataDir_(std::move(dataDir)) {
    for (std::size_t i = 0; i < kRecordFileNames.size(); ++i)
        lastSeen_[i] = VersionOf(dataDir_ + std::string(kRecordFileNames[i]));
}

Status RecordFilesWatch::NoneWrittenInPlace() const {
    const std::lock_guard lock(looking_);
    if (writtenInto_) return *writtenInto_;
    for (std::size_t i = 0; i < kRecordFileNames.size(); ++i) {
        const std::string path = dataDir_ + std::string(kRecordFileNames[i]);
        std::optional<FileVersion> now = VersionOf(path);
        if (WrittenInPlace(lastSeen_[i], now)) {
            writtenInto_ =
                Error{path,
                      "written into while the cards were drawn: a card drawn since could mix its "
                      "records before and after; draw the cards again once it is written"};
            return *writtenInto_;
        }
        lastSeen_[i] = std::move(now);
    }
    return Ok();
}

}  // namespace velmaro
