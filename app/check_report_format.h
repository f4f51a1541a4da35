#pragma once

#include <string>

#include "store/check_report.h"

namespace velmaro {

// The report of `velmaro check` for people: a first line with the data directory and the
// verdict, then for each kind found its id, count and meaning, and its first findings
// indented one per line. Control characters of the folder and of the values found appear
// escaped, so that a data file cannot drive the terminal.
std::string CheckReportText(const std::string& dataDir, const CheckReport& report);

// The same report as one JSON object: {"data_dir", "clean", "problems": [{"kind",
// "description", "count", "first": [{"file", "record", "other_record", "found"}]}]}, where
// "record" is left out for a finding about a whole file and "other_record" when there is
// no second record.
std::string CheckReportJson(const std::string& dataDir, const CheckReport& report);

}  // namespace velmaro
