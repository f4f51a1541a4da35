// Loaded before the C library into a program under test: a file system that hands the data
// files out a few bytes per read, as network and user-space file systems may. Every read of a
// file whose name ends in ".dir" or ".grp" returns at most 7 bytes; reading on returns the
// rest, and only the end of the file returns nothing.

#include <dlfcn.h>
#include <limits.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string_view>

namespace {

constexpr size_t kMostPerRead = 7;

bool IsDataFile(int descriptor) {
    char link[64];
    std::snprintf(link, sizeof link, "/proc/self/fd/%d", descriptor);
    char path[PATH_MAX];
    const ssize_t length = readlink(link, path, sizeof path);
    if (length < 4) return false;
    const std::string_view name(path, static_cast<size_t>(length));
    return name.ends_with(".dir") || name.ends_with(".grp");
}

size_t Capped(int descriptor, size_t count) {
    return IsDataFile(descriptor) ? std::min(count, kMostPerRead) : count;
}

template <typename Function>
Function Next(const char* name) {
    return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

}  // namespace

extern "C" ssize_t read(int descriptor, void* buffer, size_t count) {
    static const auto next = Next<ssize_t (*)(int, void*, size_t)>("read");
    return next(descriptor, buffer, Capped(descriptor, count));
}

extern "C" ssize_t pread(int descriptor, void* buffer, size_t count, off_t offset) {
    static const auto next = Next<ssize_t (*)(int, void*, size_t, off_t)>("pread");
    return next(descriptor, buffer, Capped(descriptor, count), offset);
}

extern "C" ssize_t pread64(int descriptor, void* buffer, size_t count, off_t offset) {
    static const auto next = Next<ssize_t (*)(int, void*, size_t, off_t)>("pread64");
    return next(descriptor, buffer, Capped(descriptor, count), offset);
}
