#include "lookup/lookup_student.h"

#include "base/numeric_value.h"
#include "base/text_fields.h"
#include "store/registry_search.h"

namespace velmaro {

std::optional<std::int32_t> KeyOf(std::string_view typedText) {
    return WholeNumberValue(typedText);
}

namespace {

Result<LookupOutcome> LookupOnce(DataStore& store, std::string_view typedText) {
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

}  // namespace

Result<LookupOutcome> LookupStudent(DataStore& store, std::string_view typedText) {
    Result<LookupOutcome> outcome = LookupOnce(store, typedText);
    // On a network share a file replaced under its name fails the reads of the one open: the
    // names are looked at again at once, and the lookup is made anew.
    if (!outcome && store.SawStaleFile()) outcome = LookupOnce(store, typedText);
    return outcome;
}

}  // namespace velmaro
