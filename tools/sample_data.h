#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/result.h"

namespace velmaro::sample {

// What to generate. The defaults give the committed sample data set.
struct SampleDataOptions {
    int studentCount = 400;
    int maxMatricola = 9999;    // numbers are drawn from 1 ... maxMatricola (at most 99999)
    int examsPerStudent = 22;   // about this many exams for a graduate (0 ... 99)
    int yearsPerStudent = 5;    // about this many academic years (1 ... 99)
    int firstEnrolYear = 1985;  // academic years of enrolment run from this one ...
    int lastEnrolYear = 2024;   // ... to this one (1930 ... 2024)
    int graduatePercent = 75;   // of the students whose career has ended
    std::uint64_t seed = 5193;
    bool includeSpecialCases = true;
    // The registry's start record numbers have five digits, so exam and year records past
    // number 99999 cannot be reached. When a file fills up, later students normally make
    // generation fail; with this set they point at earlier students' runs instead (fine for
    // measuring speed, not for looking at cards).
    bool shareRunsBeyondRecordLimit = false;
};

// The day the generated data stands at: no exam or graduation is later.
inline constexpr int kDataAsOfYear = 2025;
inline constexpr unsigned kDataAsOfMonth = 9;
inline constexpr unsigned kDataAsOfDay = 30;

// The bytes of the five data files.
struct SampleDataSet {
    std::string registry;                 // elenco.dir
    std::string exams;                    // esami.dir
    std::string years;                    // velmara.dir
    std::string examTable;                // esami.grp
    std::string titleTable;               // titoli.grp
    std::vector<std::int32_t> matricole;  // the registry's keys, ascending
};

// Generates a data set; the same options always give the same bytes. Fails when the options
// are out of range or the records do not fit the files' five-digit record numbers.
Result<SampleDataSet> GenerateSampleDataSet(const SampleDataOptions& options);

// Generates a data set and writes its five files into folder (created when missing),
// replacing files of the same names.
Status WriteSampleDataSet(const std::string& folder, const SampleDataOptions& options);

}  // namespace velmaro::sample
