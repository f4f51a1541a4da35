#include "store/career_records.h"

#include "base/civil_date.h"
#include "base/text_fields.h"

namespace velmaro {

ExamRecord::ExamRecord(std::string_view text)
    : code(Mid(text, 1, 4)),
      grade(Mid(text, 5, 2)),
      year(Mid(text, 7, 2)),
      month(Mid(text, 9, 2)),
      day(Mid(text, 11, 2)),
      date(DateOfParts(month, day, year)) {}

YearRecord::YearRecord(std::string_view text) : year(Mid(text, 3, 2)) {}

}  // namespace velmaro
