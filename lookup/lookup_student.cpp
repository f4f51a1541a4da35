#include "lookup/lookup_student.h"

#include "store/numeric_value.h"
#include "store/registry_search.h"
#include "store/text_fields.h"

namespace velmaro {

std::optional<std::int32_t> KeyOf(std::string_view typedText) {
    return RoundToInt32(NumericValue(typedText));
}

Result<LookupOutcome> LookupStudent(const DataStore& store, std::string_view typedText) {
    LookupOutcome outcome;
    const auto key = KeyOf(typedText);
    if (!key) return outcome;

    auto search =
        SearchRegistry(store.Registry(), store.RegistryCount(), store.LastRegistryKey(), *key);
    if (!search) return search.error();
    outcome.registryRecordsRead = search->recordsRead;
    // A record of blanks only counts as no record at all.
    if (TrimBlanks(search->record).empty()) return outcome;

    auto student = GatherStudent(store, std::string(typedText), search->record);
    if (!student) return student.error();
    outcome.student = std::move(*student);
    return outcome;
}

}  // namespace velmaro
