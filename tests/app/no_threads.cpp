// Loaded before the C library into a program under test: every new thread fails, as on a
// system that gives no more. With VELMARO_NO_THREADS_TELL set, each thread asked for is also
// told on standard error ("velmaro-test: a thread was asked for").

#include <pthread.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

extern "C" int pthread_create(pthread_t*, const pthread_attr_t*, void* (*)(void*), void*) {
    if (std::getenv("VELMARO_NO_THREADS_TELL") != nullptr) {
        constexpr char kTold[] = "velmaro-test: a thread was asked for\n";
        static_cast<void>(::write(STDERR_FILENO, kTold, sizeof kTold - 1));
    }
    return EAGAIN;
}
