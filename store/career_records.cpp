#include "store/career_records.h"

#include "base/civil_date.h"
#include "base/text_fields.h"

namespace velmaro {

namespace {

// The date of an exam record. A whole yymmdd date, as nearly every record holds, is read
// through the table of two-digit years; a record cut short within its date reads its parts.
std::optional<std::chrono::sys_days> ExamDate(std::string_view text, std::string_view month,
                                              std::string_view day, std::string_view year) {
    const std::string_view yymmdd = Mid(text, 7, 6);
    const std::int64_t days =
        yymmdd.size() == 6 ? DayNumberOfYyMmDd(yymmdd) : DayNumberOfParts(month, day, year);
    if (days == kNoDayNumber) return std::nullopt;
    return std::chrono::sys_days{std::chrono::days{days}};
}

}  // namespace

ExamRecord::ExamRecord(std::string_view text)
    : code(Mid(text, 1, 4)),
      grade(Mid(text, 5, 2)),
      year(Mid(text, 7, 2)),
      month(Mid(text, 9, 2)),
      day(Mid(text, 11, 2)),
      date(ExamDate(text, month, day, year)) {}

YearRecord::YearRecord(std::string_view text) : year(Mid(text, 3, 2)) {}

}  // namespace velmaro
