#pragma once

#include <cstdint>
#include <vector>

#include "store/check_report.h"
#include "store/check_support.h"
#include "store/run_overlaps.h"
#include "store/table_check.h"

namespace velmaro::data_check {

// What the student pass needs to know of the exam and year records, found in the record pass
// so that a student's run is checked on a few compact numbers instead of its record texts.
struct RecordFacts {
    // The day of each exam record's date, kNoDay where there is none; [0] unused.
    std::vector<std::int32_t> examDays;
    // Whether each year record holds a year of two digits at positions 3-4; [0] unused.
    std::vector<std::uint8_t> yearIsYear;

    RecordFacts(const SlotFile& exams, const SlotFile& years)
        : examDays(static_cast<std::size_t>(exams.Count()) + 1, kNoDay),
          yearIsYear(static_cast<std::size_t>(years.Count()) + 1, 0) {}
};

// The files and the facts of their records that the students are checked against.
struct StudentContext {
    const SlotFile& exams;
    const SlotFile& years;
    const RecordFacts& facts;
    const TableCodes& titleCodes;
    CheckDay today;
};

// Checks the students of registry records first ... last, whose texts registry holds: their
// record texts, counts, runs, diploma codes, dates, the dates of their exams against their
// careers, and their last career years. The runs that lie in their files are set in examRuns
// and yearRuns, for the overlap check; the findings go to report in record order.
void CheckStudents(const StudentContext& context, const SlotFile& registry, std::int64_t first,
                   std::int64_t last, StudentRuns& examRuns, StudentRuns& yearRuns,
                   CheckReport& report);

}  // namespace velmaro::data_check
