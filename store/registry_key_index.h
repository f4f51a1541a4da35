#pragma once

#include <cstdint>
#include <vector>

#include "base/result.h"
#include "store/record_file.h"

namespace velmaro {

// The key of every registry record, read from the registry's copy in memory, so that a search
// compares numbers and reads only the record it finds. The keys are read on the second search
// of a copy's content (a single lookup is cheaper without them) and afresh whenever that
// content changes. Belongs to one store and, like it, to one thread.
class RegistryKeyIndex {
  public:
    // The keys of records 1 ... count (key of record n at n - 1) for the registry's current
    // copy: call it once per search, after registry.Refresh(). Nothing (a null pointer) on the
    // first search of a content, and when the registry is read from the file, which has no
    // copy to index. Fails only when reading the copy fails.
    Result<const std::vector<std::int32_t>*> KeysOf(RecordFile& registry, std::int32_t count);

  private:
    std::vector<std::int32_t> keys_;
    std::uint64_t keysGeneration_ = 0;         // the content keys_ was read from
    std::uint64_t firstSearchGeneration_ = 0;  // the content searched once without keys
    std::int32_t count_ = 0;
};

}  // namespace velmaro
