// Loaded before the C library into a program under test: a keeper who replaces a data file
// while the program reads the data. The first time the program opens a file whose name ends in
// $VELMARO_REPLACE_WHEN_OPENING, the file $VELMARO_REPLACE_FROM is renamed over
// $VELMARO_REPLACE_TO, as a keeper's editor saves a file anew.

#include <dlfcn.h>
#include <fcntl.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>

#include <atomic>
#include <string_view>

namespace {

std::atomic<bool> replaced = false;

void ReplaceOnce(const char* path) {
    const char* when = getenv("VELMARO_REPLACE_WHEN_OPENING");
    if (when == nullptr || path == nullptr || !std::string_view(path).ends_with(when)) return;
    if (replaced.exchange(true)) return;
    const char* from = getenv("VELMARO_REPLACE_FROM");
    const char* to = getenv("VELMARO_REPLACE_TO");
    if (from != nullptr && to != nullptr) rename(from, to);
}

mode_t ModeOf(int flags, va_list arguments) {
    return (flags & (O_CREAT | O_TMPFILE)) != 0 ? va_arg(arguments, mode_t) : 0;
}

using Open = int (*)(const char*, int, ...);

// Opens as the C library's function name does, after the keeper's replacement.
int OpenAfterReplacing(const char* name, const char* path, int flags, va_list arguments) {
    const auto next = reinterpret_cast<Open>(dlsym(RTLD_NEXT, name));
    const mode_t mode = ModeOf(flags, arguments);
    ReplaceOnce(path);
    return next(path, flags, mode);
}

}  // namespace

extern "C" int open(const char* path, int flags, ...) {
    va_list arguments;
    va_start(arguments, flags);
    const int descriptor = OpenAfterReplacing("open", path, flags, arguments);
    va_end(arguments);
    return descriptor;
}

extern "C" int open64(const char* path, int flags, ...) {
    va_list arguments;
    va_start(arguments, flags);
    const int descriptor = OpenAfterReplacing("open64", path, flags, arguments);
    va_end(arguments);
    return descriptor;
}
