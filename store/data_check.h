#pragma once

#include <chrono>
#include <optional>
#include <string>

#include "base/result.h"
#include "store/check_report.h"

namespace velmaro {

// The five data files as read from one data directory. A missing esami.dir or velmara.dir is
// nothing (the program reads it as empty); the other three must exist.
struct DataFileContents {
    std::string registry;              // elenco.dir
    std::string examTable;             // esami.grp
    std::string titleTable;            // titoli.grp
    std::optional<std::string> exams;  // esami.dir
    std::optional<std::string> years;  // velmara.dir
};

// Reads the five files of dataDir once each. A missing or unreadable table or registry, an
// unreadable record file, or a registry without a single record is an error naming the file.
Result<DataFileContents> ReadDataFiles(const std::string& dataDir);

// Checks the data as the program will read it and reports every problem that makes a lookup
// fail or a card wrong: registry order, slots, short records, counts, runs, dates, codes
// missing from the tables, table lines, missing or empty record files. The cards are those
// drawn on today, which ends the chart of a student still enrolled at the latest.
CheckReport CheckDataFiles(const DataFileContents& files, std::chrono::year_month_day today);

// Reads the five files of dataDir once each and checks them: the report of CheckDataFiles, or
// the error of ReadDataFiles. The reading and the checking overlap: the registry is read while
// the exam and year records are checked, and its records are checked as they arrive. A file
// replaced, or changed in place, while the data is checked is an error naming it.
Result<CheckReport> CheckDataDir(const std::string& dataDir, std::chrono::year_month_day today);

}  // namespace velmaro
