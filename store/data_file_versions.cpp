#include "store/data_file_versions.h"

#include <sys/stat.h>

#include <utility>

namespace velmaro {

DataFileVersions VersionsOf(const std::string& dataDir) {
    DataFileVersions versions;
    for (std::size_t i = 0; i < kDataFileNames.size(); ++i) {
        struct stat named {};
        if (::stat((dataDir + std::string(kDataFileNames[i])).c_str(), &named) == 0) {
            versions[i] =
                FileVersion{named.st_dev,         named.st_ino,          named.st_size,
                            named.st_mtim.tv_sec, named.st_mtim.tv_nsec, named.st_ctim.tv_sec,
                            named.st_ctim.tv_nsec};
        }
    }
    return versions;
}

FileChange ChangeOf(const std::optional<FileVersion>& before,
                    const std::optional<FileVersion>& after) {
    if (before == after) return FileChange::kNone;
    const bool sameFile =
        before && after && before->device == after->device && before->inode == after->inode;
    return sameFile ? FileChange::kWrittenInPlace : FileChange::kReplaced;
}

RecordFilesWatch::RecordFilesWatch(std::string dataDir)
    : dataDir_(std::move(dataDir)), atStart_(VersionsOf(dataDir_)) {}

Status RecordFilesWatch::NoneWrittenInPlace() const {
    const DataFileVersions now = VersionsOf(dataDir_);
    for (std::size_t i = 0; i < kDataFileNames.size(); ++i) {
        const std::string_view name = kDataFileNames[i];
        // The tables are read whole before the first card: what is written into them later
        // reaches no card.
        if (name != kRegistryName && name != kExamsName && name != kYearsName) continue;
        if (ChangeOf(atStart_[i], now[i]) != FileChange::kWrittenInPlace) continue;
        return Error{dataDir_ + std::string(name),
                     "written into while the cards were drawn: a card drawn since could mix its "
                     "records before and after; draw the cards again once it is written"};
    }
    return Ok();
}

}  // namespace velmaro
