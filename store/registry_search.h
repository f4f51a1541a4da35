#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/result.h"
#include "store/record_file.h"
#include "store/registry_key_index.h"

namespace velmaro {

// What a registry search found: the record text exactly as read (empty when no record has
// the key) and how many records' keys it compared to decide.
struct SearchOutcome {
    std::string record;
    int recordsRead = 0;
};

// The keys of a registry's records, for drawing every student.
struct RegistryKeyList {
    std::vector<std::int32_t> keys;  // in ascending order, each once
    // The records whose key is below 1 (no number), which no search reaches, and the first of
    // them: its record number and its key field.
    std::int64_t unreachable = 0;
    std::int64_t firstUnreachable = 0;
    std::string firstUnreachableKey;
    // The records beyond the first of each key: a search finds one record of a key, so that
    // many have no card of their own. The first record whose key an earlier record holds, its
    // key, and that earlier record.
    std::int64_t repeated = 0;
    std::int64_t firstRepeated = 0;
    std::int64_t firstRepeatedEarlier = 0;
    std::int32_t firstRepeatedKey = 0;
};

// The keys of records 1 ... count of the registry, for drawing every student: in ascending
// order, each once, whatever the order of the records; a key below 1 (no number) is left out
// and counted, and so is each record whose key an earlier record holds.
Result<RegistryKeyList> RegistryKeys(RecordFile& registry, std::int32_t count);

// The binary search of the registry for key over records 1 ... count whose keys
// keyOf(n) gives, as a Result<std::int32_t>: the number of a record holding key, or 0 when
// the search ends without one (the registry out of order around it). Adds one to compared
// for each key it compares.
template <typename KeyOf>
Result<std::int64_t> SearchRecords(std::int64_t count, std::int32_t key, KeyOf keyOf,
                                   int& compared) {
    // lo counts as already excluded: the range still open is lo + 1 ... hi, so starting at 0
    // keeps record 1 within reach.
    std::int64_t lo = 0;
    std::int64_t hi = count;
    while (lo != hi) {
        const std::int64_t step = (hi - lo) / 2;
        if (step == 0) lo = hi;
        const std::int64_t mid = lo + step;
        ++compared;
        VELMARO_TRY(const std::int32_t found, keyOf(mid));
        if (found < key) {
            lo = mid;
        } else if (found > key) {
            hi = mid;
        } else {
            return mid;
        }
    }
    return std::int64_t{0};
}

// Binary search of the sorted registry for key over records 1 ... count. A key outside
// 1 ... lastKey is not found without reading anything; otherwise at most about
// log2(count) + 1 keys are compared. Keys compare numerically, so a stored 05193 matches
// 5193. With an index, the keys come from it and only the record found is read; the outcome
// is the same. Fails only when the file cannot be read.
Result<SearchOutcome> SearchRegistry(RecordFile& registry, std::int32_t count, std::int32_t lastKey,
                                     std::int32_t key, RegistryKeyIndex* index = nullptr);

}  // namespace velmaro
