#include "base/system_environment.h"

#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>

#include <algorithm>
#include <clocale>
#include <ctime>
#include <thread>

namespace velmaro {

std::chrono::year_month_day SystemToday() {
    const std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
    std::tm local{};
    localtime_r(&now, &local);
    return std::chrono::year_month_day{std::chrono::year(local.tm_year + 1900),
                                       std::chrono::month(static_cast<unsigned>(local.tm_mon + 1)),
                                       std::chrono::day(static_cast<unsigned>(local.tm_mday))};
}

std::string TakeLocaleDecimalSeparator() {
    // LC_NUMERIC on its own: a locale the system lacks in another category (LC_TIME, say) fails
    // the application object's choice of every category at once.
    std::setlocale(LC_NUMERIC, "");
    const std::lconv* conventions = std::localeconv();
    const bool hasSeparator = conventions != nullptr && conventions->decimal_point != nullptr &&
                              conventions->decimal_point[0] != '\0';
    std::string separator = hasSeparator ? conventions->decimal_point : ".";
    std::setlocale(LC_NUMERIC, "C");
    return separator;
}

int UsableCores() {
    cpu_set_t allowed;
    CPU_ZERO(&allowed);
    if (::sched_getaffinity(0, sizeof allowed, &allowed) == 0 && CPU_COUNT(&allowed) > 0)
        return CPU_COUNT(&allowed);
    return std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
}

std::optional<std::uint64_t> RaiseOpenFilesLimit() {
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0) return std::nullopt;
    if (limit.rlim_cur < limit.rlim_max) {
        rlimit raised = limit;
        raised.rlim_cur = limit.rlim_max;
        if (::setrlimit(RLIMIT_NOFILE, &raised) == 0) limit = raised;
    }
    if (limit.rlim_cur == RLIM_INFINITY) return std::nullopt;
    return static_cast<std::uint64_t>(limit.rlim_cur);
}

std::optional<std::uint64_t> RaiseStackLimit() {
    rlimit limit{};
    if (::getrlimit(RLIMIT_STACK, &limit) != 0) return std::nullopt;
    if (limit.rlim_cur != RLIM_INFINITY && limit.rlim_cur < kStackToDraw &&
        limit.rlim_cur < limit.rlim_max) {
        rlimit raised = limit;
        raised.rlim_cur = std::min<rlim_t>(kStackToDraw, limit.rlim_max);
        if (::setrlimit(RLIMIT_STACK, &raised) == 0) {
            limit = raised;
            // The C library sized its threads' stacks by the limit at the program's start;
            // the main thread's stack grows by the limit in force.
            pthread_attr_t attributes;
            if (::pthread_getattr_default_np(&attributes) == 0) {
                if (::pthread_attr_setstacksize(&attributes, raised.rlim_cur) == 0)
                    ::pthread_setattr_default_np(&attributes);
                ::pthread_attr_destroy(&attributes);
            }
        }
    }
    if (limit.rlim_cur == RLIM_INFINITY) return std::nullopt;
    return static_cast<std::uint64_t>(limit.rlim_cur);
}

}  // namespace velmaro
