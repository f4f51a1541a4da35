#include "lookup/lookup_student.h"

#include "base/numeric_value.h"
#include "base/text_fields.h"
#include "store/registry_search.h"

namespace velmaro {

std::optional<std::int32_t> KeyOf(std::string_view typedText) {
    return WholeNumberValue(typedText);
}

Result<LookupOutcome> LookupStudent(const DataStore& store, std::string_view typedText) {
    LookupOutcome outcome;
    const auto key = KeyOf(typedText);
    if (!key) return outcome;

    VELMARO_TRY(const DataStore::RegistryBounds bounds, store.CurrentRegistryBounds());
    VELMARO_TRY(const SearchOutcome search,
                SearchRegistry(store.Registry(), bounds.count, bounds.lastKey, *key,
                               &store.RegistryIndex()));
    outcome.registryRecordsRead = search.recordsRead;
    // A record of blanks only counts as no record at all.
    if (TrimBlanks(search.record).empty()) return outcome;

    VELMARO_TRY(
        GatherStudent(store, std::string(typedText), search.record, outcome.student.emplace()));
    return outcome;
}

}  // namespace velmaro
