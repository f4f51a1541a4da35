#include "tests/ui/file_system_faults.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/types.h>

#include <cstdarg>
#include <optional>

extern "C" {
int __real_open(const char* path, int flags, ...);
int __real_linkat(int fromFolder, const char* from, int toFolder, const char* to, int flags);
int __real_fsync(int descriptor);
int __real_syncfs(int descriptor);
int __real_sync_file_range(int descriptor, off64_t offset, off64_t bytes, unsigned int flags);
int __real_close(int descriptor);
}

namespace velmaro::faults {
namespace {

struct Armed {
    FileCall call;
    int skipped;
    int error;
};

// Only the test's own thread commits files while a failure is armed.
std::optional<Armed> armed;
bool happened = false;
bool refuseUnnamed = false;

// Whether this call of call is the one to fail; sets errno when it is.
bool Fails(FileCall call) {
    if (!armed || armed->call != call) return false;
    if (armed->skipped-- > 0) return false;
    errno = armed->error;
    armed.reset();
    happened = true;
    return true;
}

}  // namespace

void FailCall(FileCall call, int skipped, int error) {
    armed = Armed{call, skipped, error};
    happened = false;
}

bool Happened() { return happened; }

void Clear() { armed.reset(); }

void RefuseUnnamedFiles(bool refuse) { refuseUnnamed = refuse; }

}  // namespace velmaro::faults

using velmaro::faults::FileCall;

extern "C" {

int __wrap_fsync(int descriptor) {
    return velmaro::faults::Fails(FileCall::kFsync) ? -1 : __real_fsync(descriptor);
}

int __wrap_syncfs(int descriptor) {
    return velmaro::faults::Fails(FileCall::kSyncfs) ? -1 : __real_syncfs(descriptor);
}

int __wrap_sync_file_range(int descriptor, off64_t offset, off64_t bytes, unsigned int flags) {
    if (velmaro::faults::Fails(FileCall::kSyncFileRange)) return -1;
    return __real_sync_file_range(descriptor, offset, bytes, flags);
}

int __wrap_open(const char* path, int flags, ...) {
    if ((flags & O_TMPFILE) == O_TMPFILE && velmaro::faults::refuseUnnamed) {
        errno = EOPNOTSUPP;
        return -1;
    }
    mode_t mode = 0;
    if ((flags & (O_CREAT | O_TMPFILE)) != 0) {
        va_list arguments;
        va_start(arguments, flags);
        mode = static_cast<mode_t>(va_arg(arguments, int));
        va_end(arguments);
    }
    return __real_open(path, flags, mode);
}

int __wrap_linkat(int fromFolder, const char* from, int toFolder, const char* to, int flags) {
    if (velmaro::faults::Fails(FileCall::kLinkat)) return -1;
    return __real_linkat(fromFolder, from, toFolder, to, flags);
}

int __wrap_close(int descriptor) {
    const int closed = __real_close(descriptor);
    if (velmaro::faults::Fails(FileCall::kClose)) return -1;
    return closed;
}
}
