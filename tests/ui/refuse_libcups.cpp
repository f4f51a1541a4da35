// Preloaded (LD_PRELOAD) into a test process: dlopen of the CUPS library fails, as on a
// system where it is missing; every other library loads as usual.

#include <dlfcn.h>

#include <cstring>

extern "C" void* dlopen(const char* file, int mode) {
    using Open = void* (*)(const char*, int);
    static const Open real = reinterpret_cast<Open>(dlsym(RTLD_NEXT, "dlopen"));
    if (file != nullptr && std::strstr(file, "libcups.so") != nullptr) return nullptr;
    return real(file, mode);
}
