#include "store/registry_key_index.h"

#include <algorithm>

#include "store/data_store.h"

namespace velmaro {

Result<const std::vector<std::int32_t>*> RegistryKeyIndex::KeysOf(RecordFile& registry,
                                                                  std::int32_t count) {
    const std::uint64_t generation = registry.CopyGeneration();
    if (generation == 0) return nullptr;
    if (generation == keysGeneration_ && count == count_) return &keys_;
    // Reading every key costs thousands of probes: a session that looks up one number never
    // pays it, as the keys are read on the second search of the same content.
    if (generation != firstSearchGeneration_) {
        firstSearchGeneration_ = generation;
        return nullptr;
    }
    keys_.clear();
    keysGeneration_ = 0;
    keys_.reserve(static_cast<std::size_t>(std::max(count, 0)));
    VELMARO_TRY(registry.ForEachInRun(
        1, count, [this](std::string_view text) { keys_.push_back(RecordKey(text)); }));
    keysGeneration_ = generation;
    count_ = count;
    return &keys_;
}

}  // namespace velmaro
