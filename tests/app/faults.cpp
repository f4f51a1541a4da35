// Loaded before the C library into a program under test: the faults of a system, each named by
// a variable of the program's environment.
//  VELMARO_NO_THREADS: every new thread fails, as on a system that gives no more; when it is
//   "tell", each thread asked for is also told on standard error ("velmaro-test: a thread was
//   asked for").
//  VELMARO_NO_UNNAMED_FILES: files cannot be made without a name, as on a network share, so
//   output files are written under hidden temporary names.
//  VELMARO_FAIL_ALLOCATIONS_FROM: every allocation of at least that many bytes fails, as when
//   memory runs out; on threads other than the first only, when VELMARO_FAIL_ALLOCATIONS_OFF_MAIN
//   is set.
//  VELMARO_LOST_WRITES: a disk that takes every write but loses the data before it is stored, as
//   a full thin-provisioned volume does; the loss shows only when the data is flushed: fsync,
//   fdatasync and syncfs fail with EIO.
//  VELMARO_UNFLUSHED_FOLDERS: a disk that fails to store a folder's new entries: fsync of a folder
//   fails with EIO, while files are flushed as usual.
//  VELMARO_FAILED_CLOSE: a file system that reports a lost write only as the file is closed, as a
//   network file system may: closing a regular file or FIFO open for writing fails with EIO
//   (the descriptor is closed all the same).
//  VELMARO_HUNG_DISK: a disk that does not answer: fsync and fdatasync never return, whatever
//   signal comes; the first call makes the file its value names.
//  VELMARO_SHORT_READS: a file system that hands the data files out a few bytes per read, as
//   network and user-space file systems may: every read of a file whose name ends in ".dir" or
//   ".grp" returns at most 7 bytes; reading on returns the rest, and only the end of the file
//   returns nothing.
//  VELMARO_REPLACE_WHEN_OPENING: a keeper who replaces a data file while the program reads the
//   data: the first time the program opens a file whose name ends in its value (or the time
//   VELMARO_REPLACE_AT_OPENING counts, from 1), the file
//   $VELMARO_REPLACE_FROM is renamed over $VELMARO_REPLACE_TO, as a keeper's editor saves a file
//   anew. With VELMARO_REPLACE_IN_PLACE set, the file stays and takes the bytes of
//   $VELMARO_REPLACE_FROM instead (cut to nothing and written anew, as a program saves into the
//   file it opened), and $VELMARO_REPLACE_FROM is removed.
//  VELMARO_LINKS_LENGTHENED: every symbolic link is replaced by a longer one just after it is
//   looked at: lstat tells a link's target as empty, and reading the link gives the longer one.
//  VELMARO_FOLDER_MADE_WHEN_LOOKED_FOR: another program makes the folder its value names just as
//   this one looks for it: the first lstat of that path makes it first.

#include <dlfcn.h>
#include <fcntl.h>
#include <limits.h>
#include <pthread.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

extern "C" void* __libc_malloc(std::size_t size);

namespace {

const char* Fault(const char* name) { return std::getenv(name); }

template <typename Function>
Function Next(const char* name) {
    return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

bool AllocationFails(std::size_t size) {
    static const char* const fromText = Fault("VELMARO_FAIL_ALLOCATIONS_FROM");
    static const std::size_t from = fromText ? std::strtoull(fromText, nullptr, 10) : 0;
    static const bool offMainOnly = Fault("VELMARO_FAIL_ALLOCATIONS_OFF_MAIN") != nullptr;
    if (from == 0 || size < from) return false;
    return !offMainOnly || ::syscall(SYS_gettid) != ::getpid();
}

size_t Capped(int descriptor, size_t count) {
    static const bool shortReads = Fault("VELMARO_SHORT_READS") != nullptr;
    if (!shortReads) return count;
    char link[64], path[PATH_MAX];
    std::snprintf(link, sizeof link, "/proc/self/fd/%d", descriptor);
    const ssize_t length = readlink(link, path, sizeof path);
    const std::string_view name(path, length > 0 ? static_cast<size_t>(length) : 0);
    return name.ends_with(".dir") || name.ends_with(".grp") ? std::min<size_t>(count, 7) : count;
}

// How many times a file whose name ends in VELMARO_REPLACE_WHEN_OPENING was opened.
std::atomic<long> openingsBeforeReplacing = 0;

// Writes the bytes of the file from over the file to, which stays the same file, and removes
// from; nothing when from cannot be opened.
void RewriteInPlace(const char* from, const char* to) {
    static const auto openFile = Next<int (*)(const char*, int, ...)>("open");
    static const auto readFile = Next<ssize_t (*)(int, void*, size_t)>("read");
    const int source = openFile(from, O_RDONLY | O_CLOEXEC);
    if (source < 0) return;
    const int target = openFile(to, O_WRONLY | O_TRUNC | O_CLOEXEC);
    char buffer[4096];
    ssize_t got = 0;
    while (target >= 0 && (got = readFile(source, buffer, sizeof buffer)) > 0)
        static_cast<void>(::write(target, buffer, static_cast<size_t>(got)));
    if (target >= 0) ::close(target);
    ::close(source);
    ::unlink(from);
}

// Opens as the C library's function name does, after the faults of opening.
int Open(const char* name, const char* path, int flags, va_list arguments) {
    if ((flags & O_TMPFILE) == O_TMPFILE && Fault("VELMARO_NO_UNNAMED_FILES")) {
        errno = EOPNOTSUPP;
        return -1;
    }
    const mode_t mode =
        (flags & (O_CREAT | O_TMPFILE)) != 0 ? static_cast<mode_t>(va_arg(arguments, int)) : 0;
    const char* when = Fault("VELMARO_REPLACE_WHEN_OPENING");
    static const char* const atText = Fault("VELMARO_REPLACE_AT_OPENING");
    static const long at = atText ? std::strtol(atText, nullptr, 10) : 1;
    if (when && path && std::string_view(path).ends_with(when) && ++openingsBeforeReplacing == at) {
        if (Fault("VELMARO_REPLACE_IN_PLACE")) {
            RewriteInPlace(Fault("VELMARO_REPLACE_FROM"), Fault("VELMARO_REPLACE_TO"));
        } else {
            rename(Fault("VELMARO_REPLACE_FROM"), Fault("VELMARO_REPLACE_TO"));
        }
    }
    return Next<int (*)(const char*, int, ...)>(name)(path, flags, mode);
}

int LostWrite() {
    errno = EIO;
    return -1;
}

// Whether the disk does not answer: then says so in the file named and never returns.
bool DiskHung() {
    const char* said = Fault("VELMARO_HUNG_DISK");
    if (said == nullptr) return false;
    ::close(static_cast<int>(::syscall(SYS_openat, AT_FDCWD, said, O_WRONLY | O_CREAT, 0600)));
    for (;;)
        ::pause();
}

}  // namespace

extern "C" {

int pthread_create(pthread_t* thread, const pthread_attr_t* attributes, void* (*start)(void*),
                   void* argument) {
    const char* noThreads = Fault("VELMARO_NO_THREADS");
    if (noThreads == nullptr) {
        static const auto next = Next<decltype(&pthread_create)>("pthread_create");
        return next(thread, attributes, start, argument);
    }
    if (std::string_view(noThreads) == "tell") {
        constexpr char kTold[] = "velmaro-test: a thread was asked for\n";
        static_cast<void>(::write(STDERR_FILENO, kTold, sizeof kTold - 1));
    }
    return EAGAIN;
}

void* malloc(std::size_t size) {
    if (AllocationFails(size)) {
        errno = ENOMEM;
        return nullptr;
    }
    return __libc_malloc(size);
}

int fsync(int descriptor) {
    static const auto next = Next<int (*)(int)>("fsync");
    if (DiskHung()) return -1;
    if (struct stat info{}; Fault("VELMARO_UNFLUSHED_FOLDERS") && ::fstat(descriptor, &info) == 0 &&
                            S_ISDIR(info.st_mode))
        return LostWrite();
    return Fault("VELMARO_LOST_WRITES") ? LostWrite() : next(descriptor);
}

int close(int descriptor) {
    static const auto next = Next<int (*)(int)>("close");
    bool fails = false;
    if (struct stat info{}; Fault("VELMARO_FAILED_CLOSE") && ::fstat(descriptor, &info) == 0 &&
                            (S_ISREG(info.st_mode) || S_ISFIFO(info.st_mode))) {
        const int access = ::fcntl(descriptor, F_GETFL) & O_ACCMODE;
        fails = access == O_WRONLY || access == O_RDWR;
    }
    const int closed = next(descriptor);
    return fails && closed == 0 ? LostWrite() : closed;
}

int fdatasync(int descriptor) {
    static const auto next = Next<int (*)(int)>("fdatasync");
    if (DiskHung()) return -1;
    return Fault("VELMARO_LOST_WRITES") ? LostWrite() : next(descriptor);
}

int syncfs(int descriptor) {
    static const auto next = Next<int (*)(int)>("syncfs");
    return Fault("VELMARO_LOST_WRITES") ? LostWrite() : next(descriptor);
}

ssize_t read(int descriptor, void* buffer, size_t count) {
    static const auto next = Next<ssize_t (*)(int, void*, size_t)>("read");
    return next(descriptor, buffer, Capped(descriptor, count));
}

ssize_t pread(int descriptor, void* buffer, size_t count, off_t offset) {
    static const auto next = Next<ssize_t (*)(int, void*, size_t, off_t)>("pread");
    return next(descriptor, buffer, Capped(descriptor, count), offset);
}

ssize_t pread64(int descriptor, void* buffer, size_t count, off_t offset) {
    static const auto next = Next<ssize_t (*)(int, void*, size_t, off_t)>("pread64");
    return next(descriptor, buffer, Capped(descriptor, count), offset);
}

int lstat(const char* path, struct stat* info) {
    static const auto next = Next<int (*)(const char*, struct stat*)>("lstat");
    static std::atomic<bool> folderMade{false};
    if (const char* folder = Fault("VELMARO_FOLDER_MADE_WHEN_LOOKED_FOR");
        folder != nullptr && std::string_view(path) == folder && !folderMade.exchange(true))
        ::mkdir(folder, 0777);
    const int result = next(path, info);
    if (result == 0 && S_ISLNK(info->st_mode) && Fault("VELMARO_LINKS_LENGTHENED"))
        info->st_size = 0;
    return result;
}

int open(const char* path, int flags, ...) {
    va_list arguments;
    va_start(arguments, flags);
    const int descriptor = Open("open", path, flags, arguments);
    va_end(arguments);
    return descriptor;
}

int open64(const char* path, int flags, ...) {
    va_list arguments;
    va_start(arguments, flags);
    const int descriptor = Open("open64", path, flags, arguments);
    va_end(arguments);
    return descriptor;
}

}  // extern "C"
