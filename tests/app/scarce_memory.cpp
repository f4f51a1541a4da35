// Loaded before the C library into a program under test: every allocation of at least
// VELMARO_FAIL_ALLOCATIONS_FROM bytes fails, as when memory runs out; on threads other than the
// first only, when VELMARO_FAIL_ALLOCATIONS_OFF_MAIN is set.

#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstdlib>

extern "C" void* __libc_malloc(std::size_t size);

namespace {

std::size_t FailingFrom() {
    const char* from = std::getenv("VELMARO_FAIL_ALLOCATIONS_FROM");
    return from != nullptr ? std::strtoull(from, nullptr, 10) : 0;
}

bool Fails(std::size_t size) {
    static const std::size_t from = FailingFrom();
    static const bool offMainOnly = std::getenv("VELMARO_FAIL_ALLOCATIONS_OFF_MAIN") != nullptr;
    if (from == 0 || size < from) return false;
    return !offMainOnly || ::syscall(SYS_gettid) != ::getpid();
}

}  // namespace

extern "C" void* malloc(std::size_t size) {
    if (Fails(size)) {
        errno = ENOMEM;
        return nullptr;
    }
    return __libc_malloc(size);
}
