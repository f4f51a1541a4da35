// The whole data set from one input: the five files read from memory, several lookups, each
// card drawn on the recording surface; and the data check of the same files. Every outcome
// must be a card, "not found" or an error naming one of the files, the check's report must
// keep to its form, and a data set that loads and that it finds clean must give every student
// by the key of the record, each card sound.

#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "fuzz/data_set_probe.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const velmaro::MemorySource source =
        velmaro::SplitDataSet(std::string_view(reinterpret_cast<const char*>(data), size));
    const velmaro::ProbeOutcome outcome = velmaro::ProbeDataSet(source, {"5193", " -0", "1e3"});
    if (!outcome.ErrorsNameAFile()) std::abort();
    const velmaro::CheckOutcome check = velmaro::CheckDataSet(source);
    if (!check.wellFormed || !velmaro::LookupsAgreeWithCheck(outcome, check)) std::abort();
    return 0;
}
