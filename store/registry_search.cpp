#include "store/registry_search.h"

#include <algorithm>

#include "store/data_store.h"

namespace velmaro {

namespace {

// Registry records read with one request when every key is listed: 248 KB.
constexpr std::int64_t kRecordsReadAtOnce = 4096;
// Keys given room for before they are read: a registry whose length promises millions of
// records may hold far fewer keys.
constexpr std::int32_t kKeysReservedAtOnce = 1 << 20;

}  // namespace

Result<RegistryKeyList> RegistryKeys(const RecordFile& registry, std::int32_t count) {
    VELMARO_TRY(registry.Refresh());
    RegistryKeyList list;
    std::vector<std::int32_t>& keys = list.keys;
    keys.reserve(static_cast<std::size_t>(std::clamp(count, 0, kKeysReservedAtOnce)));
    std::int64_t record = 0;
    const auto take = [&](std::string_view text) {
        ++record;
        if (const std::int32_t key = RecordKey(text); key >= 1) {
            keys.push_back(key);
        } else if (list.unreachable++ == 0) {
            list.firstUnreachable = record;
            list.firstUnreachableKey = std::string(text.substr(0, 5));
        }
    };
    // Block by block: a registry larger than the copy kept in memory is never held whole.
    for (std::int64_t first = 1; first <= count; first += kRecordsReadAtOnce)
        VELMARO_TRY(registry.ForEachInRun(
            first, std::min<std::int64_t>(kRecordsReadAtOnce, count - first + 1), take));
    // A registry out of order or with a key repeated (which the check reports) still gives each
    // key once, in order.
    if (!std::is_sorted(keys.begin(), keys.end())) std::sort(keys.begin(), keys.end());
    keys.erase(std::unique(keys.begin(), keys.end()), keys.end());
    return list;
}

Result<SearchOutcome> SearchRegistry(const RecordFile& registry, std::int32_t count,
                                     std::int32_t lastKey, std::int32_t key,
                                     const RegistryKeyIndex* index) {
    SearchOutcome outcome;
    if (key < 1 || key > lastKey) return outcome;
    VELMARO_TRY(registry.Refresh());
    const std::vector<std::int32_t>* keys = nullptr;
    if (index != nullptr) {
        VELMARO_TRY(keys, index->KeysOf(registry, count));
    }

    // lo counts as already excluded: the range still open is lo + 1 ... hi, so starting at 0
    // keeps record 1 within reach.
    std::int64_t lo = 0;
    std::int64_t hi = count;
    std::string text;
    while (lo != hi) {
        const std::int64_t step = (hi - lo) / 2;
        if (step == 0) lo = hi;
        const std::int64_t mid = lo + step;
        ++outcome.recordsRead;
        std::int32_t found = 0;
        if (keys != nullptr) {
            found = (*keys)[static_cast<std::size_t>(mid - 1)];
        } else {
            VELMARO_TRY(registry.ReadRecordInto(mid, text));
            found = RecordKey(text);
        }
        if (found < key) {
            lo = mid;
        } else if (found > key) {
            hi = mid;
        } else {
            if (keys != nullptr) {
                VELMARO_TRY(registry.ReadRecordInto(mid, text));
            }
            outcome.record = std::move(text);
            return outcome;
        }
    }
    return outcome;
}

}  // namespace velmaro
