#pragma once

// One data set tried the way a user tries it: loaded, a few numbers looked up, each card found
// drawn on the recording surface. Shared by the whole-data-set fuzzer and the corruption
// sweeps, which both require every outcome to be a card, "not found" or an error naming a file.

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

struct ProbeOutcome {
    bool loaded = false;
    int lookups = 0;            // distinct numbers looked up
    int cards = 0;              // cards drawn
    int notFound = 0;           // numbers no student has
    std::vector<Error> errors;  // the failure of loading, or of a lookup

    // Whether every error names one of the five files and gives a reason.
    bool ErrorsNameAFile() const;
};

// Loads source; then looks up the keys of the first and last registry records (the search
// probes the records between), one more than the last, and typed (each distinct number once),
// and draws every card found.
ProbeOutcome ProbeDataSet(const DataSource& source, const std::vector<std::string>& typed = {});

}  // namespace velmaro
