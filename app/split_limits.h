#pragma once

#include <cstddef>
#include <cstdint>

#include "app/split_request.h"

namespace velmaro {

// At most threads, and at most as many as the process's limit of open files leaves room for,
// with a file each waiting to be flushed, as its limit of address space leaves room for, and
// as the memory left to it (MemoryLeftToThisProcess) leaves room for, each drawing request's
// cards; at least one.
std::size_t ThreadsWithinTheLimit(std::size_t threads, const SplitRequest& request);

// At most threads, and at most as many as memory bytes, the memory left to the process,
// leave room for, each thread drawing request's cards (a PNG page held whole as it is drawn and
// written) beside what the run adds; at least one.
std::size_t ThreadsWithinMemory(std::uint64_t memory, const SplitRequest& request,
                                std::size_t threads);

// How many cards each of threads writes before their files are flushed to the disk together
// and put in place: up to 32, fewer when the limit of open files leaves less room, at least one.
std::size_t CardsPerFlush(std::size_t threads);

}  // namespace velmaro
