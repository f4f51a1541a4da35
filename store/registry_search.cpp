#include "store/registry_search.h"

#include <algorithm>
#include <unordered_map>

#include "store/data_store.h"

namespace velmaro {

namespace {

// Registry records read with one request when every key is listed: 248 KB.
constexpr std::int64_t kRecordsReadAtOnce = 4096;
// Keys given room for before they are read: a registry whose length promises millions of
// records may hold far fewer keys.
constexpr std::int32_t kKeysReservedAtOnce = 1 << 20;

// Sets list's first repeated record: the first of records 1 ... count whose key an earlier
// record holds, with that earlier record and the key. Read again only for a registry that
// has one, which the first reading found.
Status FindFirstRepeated(RecordFile& registry, std::int32_t count, RegistryKeyList& list) {
    std::unordered_map<std::int32_t, std::int64_t> firstRecordOfKey;
    std::int64_t record = 0;
    const auto take = [&](std::string_view text) {
        ++record;
        const std::int32_t key = RecordKey(text);
        if (key < 1 || list.firstRepeated != 0) return;
        const auto [earlier, isNew] = firstRecordOfKey.try_emplace(key, record);
        if (isNew) return;
        list.firstRepeated = record;
        list.firstRepeatedEarlier = earlier->second;
        list.firstRepeatedKey = key;
    };
    for (std::int64_t first = 1; first <= count && list.firstRepeated == 0;
         first += kRecordsReadAtOnce)
        VELMARO_TRY(registry.ForEachInRun(
            first, std::min<std::int64_t>(kRecordsReadAtOnce, count - first + 1), take));
    return Ok();
}

}  // namespace

Result<RegistryKeyList> RegistryKeys(RecordFile& registry, std::int32_t count) {
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
    const std::size_t listed = keys.size();
    keys.erase(std::unique(keys.begin(), keys.end()), keys.end());
    list.repeated = static_cast<std::int64_t>(listed - keys.size());
    if (list.repeated > 0) VELMARO_TRY(FindFirstRepeated(registry, count, list));
    return list;
}

Result<SearchOutcome> SearchRegistry(RecordFile& registry, std::int32_t count, std::int32_t lastKey,
                                     std::int32_t key, RegistryKeyIndex* index) {
    SearchOutcome outcome;
    if (key < 1 || key > lastKey) return outcome;
    VELMARO_TRY(registry.Refresh());
    const std::vector<std::int32_t>* keys = nullptr;
    if (index != nullptr) {
        VELMARO_TRY(keys, index->KeysOf(registry, count));
    }

    std::string text;
    VELMARO_TRY(const std::int64_t record,
                SearchRecords(
                    count, key,
                    [&](std::int64_t n) -> Result<std::int32_t> {
                        if (keys != nullptr) return (*keys)[static_cast<std::size_t>(n - 1)];
                        VELMARO_TRY(registry.ReadRecordInto(n, text));
                        return RecordKey(text);
                    },
                    outcome.recordsRead));
    if (record == 0) return outcome;
    // Read while searching, unless the keys came from the index.
    if (keys != nullptr) {
        VELMARO_TRY(registry.ReadRecordInto(record, text));
    }
    outcome.record = std::move(text);
    return outcome;
}

}  // namespace velmaro
