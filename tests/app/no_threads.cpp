// Loaded before the C library into a program under test: every new thread fails, as on a
// system that gives no more.

#include <pthread.h>

#include <cerrno>

extern "C" int pthread_create(pthread_t*, const pthread_attr_t*, void* (*)(void*), void*) {
    return EAGAIN;
}
