#pragma once

#include <cstddef>

#include "app/split_request.h"

namespace velmaro {

// At most threads, and at most as many as the process's limit of open files leaves room for,
// with a file each waiting to be flushed, and as its limit of address space leaves room for,
// each drawing request's cards; at least one.
std::size_t ThreadsWithinTheLimit(std::size_t threads, const SplitRequest& request);

// How many cards each of threads writes before their files are flushed to the disk together
// and put in place: up to 32, fewer when the limit of open files leaves less room, at least one.
std::size_t CardsPerFlush(std::size_t threads);

}  // namespace velmaro
