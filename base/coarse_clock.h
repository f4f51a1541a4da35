#pragma once

#include <time.h>

#include <chrono>

namespace velmaro {

// The system's coarse monotonic clock: it costs a few nanoseconds, and its steps of some
// milliseconds are fine for intervals of tens of milliseconds.
inline std::chrono::nanoseconds CoarseMonotonicNow() {
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC_COARSE, &now);
    return std::chrono::seconds(now.tv_sec) + std::chrono::nanoseconds(now.tv_nsec);
}

}  // namespace velmaro
