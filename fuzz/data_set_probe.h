#pragma once

// One data set tried the way a user tries it: loaded, a few numbers looked up, each card found
// drawn on the recording surface; and checked the way its keeper checks it. Shared by the
// whole-data-set fuzzer and the corruption sweeps, which both require every outcome to be a
// card, "not found" or an error naming a file, and a data set that loads and that the check
// finds clean to give every student by the key of the record, each card sound.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/result.h"
#include "store/data_source.h"

namespace velmaro {

// The five data files in the order a fuzzer input holds them.
inline const std::vector<std::string> kDataFileNames = {"elenco.dir", "esami.dir", "velmara.dir",
                                                        "esami.grp", "titoli.grp"};

// Separates the files in one input: elenco.dir, esami.dir, velmara.dir, esami.grp, titoli.grp.
inline constexpr std::string_view kDataFileSeparator = "\x1e\x1e";

// The files of input, split at each separator; parts beyond the fifth are ignored, and a file
// without a part is missing.
MemorySource SplitDataSet(std::string_view input);

// The five files of source joined into one input, as SplitDataSet reads it.
std::string JoinDataSet(const MemorySource& source);

// A fuzzer's data set is small: the keys of this many records are all looked up.
inline constexpr std::int32_t kMostKeysLookedUp = 100;

struct ProbeOutcome {
    bool loaded = false;
    int lookups = 0;   // distinct numbers looked up
    int cards = 0;     // cards drawn
    int notFound = 0;  // numbers no student has
    // Keys of registry records that no lookup finds.
    int registryKeysNotFound = 0;
    // Cards showing what sound data never gives: an exam without a date, with a code not in
    // the exam table or with a grade that is no mark and no pass without a mark, a diploma not
    // in the title table, a last career year not two digits.
    int cardsWithUnsoundRecords = 0;
    std::vector<Error> errors;  // the failure of loading, or of a lookup

    // Whether every error names one of the five files and gives a reason.
    bool ErrorsNameAFile() const;
};

// Loads source; then looks up the keys of the first and last registry records (the search
// probes the records between), one more than the last, and typed (each distinct number once),
// and draws every card found. Last, looks up the key of each of the first kMostKeysLookedUp
// registry records, to count those not found.
ProbeOutcome ProbeDataSet(const DataSource& source, const std::vector<std::string>& typed = {});

struct CheckOutcome {
    bool clean = false;
    // Whether the report keeps to its own form: per kind no more findings than it keeps and
    // than it counts, each naming one of the five files and records not below 0.
    bool wellFormed = true;
};

// The data check of source's files, a missing table or registry read as empty.
CheckOutcome CheckDataSet(const MemorySource& source);

// Whether the lookups agree with the check: in a data set that loads (the check, like the
// program, refuses the others before checking) and is found clean, every student is found by
// the key of the record, without errors, and no card shows an unsound record.
bool LookupsAgreeWithCheck(const ProbeOutcome& probe, const CheckOutcome& check);

}  // namespace velmaro
