#include "app/split_limits.h"

#include <pthread.h>
#include <sys/resource.h>

#include <QSize>

#include <algorithm>
#include <optional>

#include "base/memory_limit.h"
#include "base/system_environment.h"
#include "ui/card_page.h"

namespace velmaro {
namespace {

// Cards written by one thread before their files are flushed to the disk together and put in
// place: one flush per this many files instead of one per file, while the folder still fills
// as the run goes on. Each waiting file holds a descriptor, so with many threads the batches
// shrink to stay well inside the process's limit of open files.
constexpr rlim_t kKeptForOthers = 64;  // Qt's, the fonts', the main store's
// Each thread's own: its store's three record files, its card being written, a font.
constexpr rlim_t kHeldPerThread = 6;

// The address space a run of one thread takes (the program, Qt, the fonts), and what each
// thread adds besides its stack and its card: the C library's memory pool of its own (64 MiB
// reserved) and the drawing's. Past the limit, an allocation the font library makes for a
// thread fails, and the font library does not survive that.
constexpr rlim_t kAddressSpaceOfTheProcess = rlim_t{160} << 20;
constexpr rlim_t kAddressSpacePerThread = rlim_t{72} << 20;

// Beyond what the process holds when the threads are counted (the program, Qt, the fonts, the
// first store), what the run adds besides its threads' own (messages, files waiting), and what
// each thread uses besides its card's page: its store, its drawing and its part of the pools.
// Counted in bytes really used, unlike the address space: past a control group's limit, the
// process is killed with no word.
constexpr std::uint64_t kMemoryOfTheRun = std::uint64_t{32} << 20;
constexpr std::uint64_t kMemoryPerThread = std::uint64_t{16} << 20;

// The stack a new thread gets: the C library's default, which follows ulimit -s.
rlim_t ThreadStackSize() {
    pthread_attr_t attributes;
    std::size_t size = 0;
    if (::pthread_getattr_default_np(&attributes) == 0) {
        ::pthread_attr_getstacksize(&attributes, &size);
        ::pthread_attr_destroy(&attributes);
    }
    return size > 0 ? size : rlim_t{8} << 20;
}

// The memory a card of request's takes while it is drawn beyond the drawing's own: a PNG
// page, four bytes a pixel as drawn and, at worst, about one more for its file (grey bytes
// compressed, which a card shrinks to a twentieth).
rlim_t CardAddressSpace(const SplitRequest& request) {
    if (request.format != CardFormat::kPng) return 0;
    const QSize page = CardPageSizeAt(request.dotsPerInch);
    return static_cast<rlim_t>(page.width()) * static_cast<rlim_t>(page.height()) * 5;
}

// At most threads, and at most as many as resource's limit leaves room for, where the process
// takes kept of it and each thread perThread; at least one.
std::size_t ThreadsWithinLimitOf(int resource, rlim_t kept, rlim_t perThread, std::size_t threads) {
    const std::optional<std::uint64_t> limit = ProcessSoftLimit(resource);
    if (!limit) return threads;
    const rlim_t room = *limit > kept ? (*limit - kept) / perThread : 0;
    return std::clamp<std::size_t>(static_cast<std::size_t>(room), 1, threads);
}

}  // namespace

std::size_t ThreadsWithinTheLimit(std::size_t threads, const SplitRequest& request) {
    threads = ThreadsWithinLimitOf(RLIMIT_NOFILE, kKeptForOthers, kHeldPerThread + 1, threads);
    threads = ThreadsWithinLimitOf(
        RLIMIT_AS, kAddressSpaceOfTheProcess,
        kAddressSpacePerThread + ThreadStackSize() + CardAddressSpace(request), threads);
    return ThreadsWithinMemory(MemoryLeftToThisProcess(), request, threads);
}

std::size_t ThreadsWithinMemory(std::uint64_t memory, const SplitRequest& request,
                                std::size_t threads) {
    const std::uint64_t perThread = kMemoryPerThread + CardAddressSpace(request);
    const std::uint64_t room = memory > kMemoryOfTheRun ? memory - kMemoryOfTheRun : 0;
    return std::clamp<std::size_t>(static_cast<std::size_t>(room / perThread), 1, threads);
}

std::size_t CardsPerFlush(std::size_t threads) {
    constexpr std::size_t kMostPerFlush = 32;
    const std::optional<std::uint64_t> limit = ProcessSoftLimit(RLIMIT_NOFILE);
    if (!limit) return kMostPerFlush;
    const rlim_t held = kKeptForOthers + kHeldPerThread * threads;
    const rlim_t spare = *limit > held ? *limit - held : 0;
    return std::clamp<std::size_t>(static_cast<std::size_t>(spare / (2 * threads)), 1,
                                   kMostPerFlush);
}

}  // namespace velmaro
