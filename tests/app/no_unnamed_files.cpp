// Loaded before the C library into a program under test: files cannot be made without a name,
// as on a network share, so output files are written under hidden temporary names.

#include <dlfcn.h>
#include <fcntl.h>

#include <cerrno>
#include <cstdarg>

extern "C" int open(const char* path, int flags, ...) {
    if ((flags & O_TMPFILE) == O_TMPFILE) {
        errno = EOPNOTSUPP;
        return -1;
    }
    mode_t mode = 0;
    if ((flags & O_CREAT) != 0) {
        va_list arguments;
        va_start(arguments, flags);
        mode = static_cast<mode_t>(va_arg(arguments, int));
        va_end(arguments);
    }
    using Open = int (*)(const char*, int, ...);
    static const auto systemOpen = reinterpret_cast<Open>(dlsym(RTLD_NEXT, "open"));
    return systemOpen(path, flags, mode);
}
