#include "store/data_source.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>

#include "base/system_reason.h"
#include "store/text_file.h"

namespace velmaro {

Status DataFolderThere(const std::string& dataDir) {
    struct stat info {};
    if (::stat(dataDir.c_str(), &info) == 0) {
        if (S_ISDIR(info.st_mode)) return Ok();
        return Error{dataDir, SystemReason(ENOTDIR)};
    }
    if (errno == ENOENT || errno == ENOTDIR) return Error{dataDir, SystemReason(errno)};
    return Ok();
}

Result<std::string> FolderSource::ReadText(const std::string& name, std::size_t mostBytes) const {
    return ReadWholeFile(PathOf(name), mostBytes);
}

Result<RecordFile> FolderSource::OpenRecords(const std::string& name, std::size_t slotSize,
                                             RecordFile::IfMissing ifMissing,
                                             RecordFile::Reading reading) const {
    return RecordFile::Open(PathOf(name), slotSize, ifMissing, reading, clock_);
}

Result<std::string> MemorySource::ReadText(const std::string& name, std::size_t mostBytes) const {
    const auto found = files.find(name);
    if (found == files.end()) return Error{name, SystemReason(ENOENT)};
    if (mostBytes != SIZE_MAX && found->second.size() > mostBytes)
        return found->second.substr(0, mostBytes + 1);
    return found->second;
}

Result<RecordFile> MemorySource::OpenRecords(const std::string& name, std::size_t slotSize,
                                             RecordFile::IfMissing ifMissing,
                                             RecordFile::Reading) const {
    const auto found = files.find(name);
    if (found == files.end() && ifMissing == RecordFile::IfMissing::kFail) {
        return Error{name, SystemReason(ENOENT)};
    }
    return RecordFile::FromMemory(name, slotSize, found == files.end() ? "" : found->second);
}

}  // namespace velmaro
