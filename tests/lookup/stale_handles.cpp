// Loaded before the C library into a test program: a network share on which a file replaced
// under its name by another client is gone for those who still hold it open. Reads and status
// requests of an open record file (".dir") that has been removed or renamed over fail with
// ESTALE, as NFS fails them; and no change of a record file is reported (inotify), as none made
// by another client of a share is.

#include <dlfcn.h>
#include <errno.h>
#include <limits.h>
#include <linux/magic.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <string_view>

namespace {

// The path of the file open on descriptor, as the system names it ("... (deleted)" once
// removed); empty when it cannot be told.
std::string PathOpenOn(int descriptor) {
    char link[64];
    std::snprintf(link, sizeof link, "/proc/self/fd/%d", descriptor);
    char path[PATH_MAX];
    const ssize_t length = readlink(link, path, sizeof path);
    return length <= 0 ? std::string() : std::string(path, static_cast<size_t>(length));
}

bool IsRemovedRecordFile(int descriptor) {
    return std::string_view(PathOpenOn(descriptor)).ends_with(".dir (deleted)");
}

template <typename Function>
Function Next(const char* name) {
    return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

}  // namespace

extern "C" ssize_t pread(int descriptor, void* buffer, size_t count, off_t offset) {
    static const auto next = Next<ssize_t (*)(int, void*, size_t, off_t)>("pread");
    if (IsRemovedRecordFile(descriptor)) {
        errno = ESTALE;
        return -1;
    }
    return next(descriptor, buffer, count, offset);
}

extern "C" ssize_t pread64(int descriptor, void* buffer, size_t count, off_t offset) {
    return pread(descriptor, buffer, count, offset);
}

namespace {

// Asks the C library's function name for the status of descriptor, unless the file is gone.
template <typename Status>
int StatusUnlessRemoved(const char* name, int descriptor, Status* status) {
    if (IsRemovedRecordFile(descriptor)) {
        errno = ESTALE;
        return -1;
    }
    return Next<int (*)(int, Status*)>(name)(descriptor, status);
}

}  // namespace

extern "C" int fstat(int descriptor, struct stat* status) {
    return StatusUnlessRemoved("fstat", descriptor, status);
}

extern "C" int fstat64(int descriptor, struct stat64* status) {
    return StatusUnlessRemoved("fstat64", descriptor, status);
}

namespace {

// Asks the C library's function name for the file system of descriptor, and calls a record
// file's a network share's: no change made to it by another client is reported.
template <typename FileSystem>
int NetworkShareOfRecordFiles(const char* name, int descriptor, FileSystem* fileSystem) {
    const int status = Next<int (*)(int, FileSystem*)>(name)(descriptor, fileSystem);
    if (status == 0 && PathOpenOn(descriptor).find(".dir") != std::string::npos)
        fileSystem->f_type = NFS_SUPER_MAGIC;
    return status;
}

}  // namespace

extern "C" int fstatfs(int descriptor, struct statfs* fileSystem) {
    return NetworkShareOfRecordFiles("fstatfs", descriptor, fileSystem);
}

extern "C" int fstatfs64(int descriptor, struct statfs64* fileSystem) {
    return NetworkShareOfRecordFiles("fstatfs64", descriptor, fileSystem);
}
