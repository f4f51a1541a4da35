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

namespace {

// A soft limit of the process: the limit in force (rlim_cur), and whether it was just raised.
struct SoftLimit {
    rlim_t current = RLIM_INFINITY;
    bool raised = false;
};

// Raises the soft limit of resource, where it is lower, to wanted or to the hard limit if that
// is lower; nothing when the limits cannot be read.
std::optional<SoftLimit> RaiseSoftLimit(int resource, rlim_t wanted) {
    rlimit limit{};
    if (::getrlimit(resource, &limit) != 0) return std::nullopt;
    const rlim_t reachable = std::min(wanted, limit.rlim_max);
    if (limit.rlim_cur == RLIM_INFINITY || limit.rlim_cur >= reachable) {
        return SoftLimit{limit.rlim_cur, false};
    }
    rlimit raised = limit;
    raised.rlim_cur = reachable;
    if (::setrlimit(resource, &raised) != 0) return SoftLimit{limit.rlim_cur, false};
    return SoftLimit{reachable, true};
}

}  // namespace

std::optional<std::uint64_t> ProcessSoftLimit(int resource) {
    rlimit limit{};
    if (::getrlimit(resource, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) return std::nullopt;
    return static_cast<std::uint64_t>(limit.rlim_cur);
}

void RaiseOpenFilesLimit() { static_cast<void>(RaiseSoftLimit(RLIMIT_NOFILE, RLIM_INFINITY)); }

void RaiseStackLimit() {
    const std::optional<SoftLimit> limit = RaiseSoftLimit(RLIMIT_STACK, kStackToDraw);
    if (limit && limit->raised) {
        // The C library sized its threads' stacks by the limit at the program's start; the main
        // thread's stack grows by the limit in force.
        pthread_attr_t attributes;
        if (::pthread_getattr_default_np(&attributes) == 0) {
            if (::pthread_attr_setstacksize(&attributes, limit->current) == 0)
                ::pthread_setattr_default_np(&attributes);
            ::pthread_attr_destroy(&attributes);
        }
    }
}

std::optional<std::string> WhyLimitsTooLowToDraw() {
    if (const auto openFiles = ProcessSoftLimit(RLIMIT_NOFILE);
        openFiles && *openFiles < kFewestOpenFilesToDraw) {
        return "the process may open only " + std::to_string(*openFiles) +
               " files at once (ulimit -n): the fonts need " +
               std::to_string(kFewestOpenFilesToDraw) + " or more";
    }
    if (const auto stack = ProcessSoftLimit(RLIMIT_STACK); stack && *stack < kLeastStackToDraw) {
        return "the process may use only " + std::to_string(*stack >> 10) +
               " KiB of stack (ulimit -s): drawing a card needs " +
               std::to_string(kLeastStackToDraw >> 10) + " KiB or more";
    }
    return std::nullopt;
}

}  // namespace velmaro
