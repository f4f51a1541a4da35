#include "store/career_records.h"

#include "base/civil_date.h"
#include "base/text_fields.h"

namespace velmaro {

ExamRecord ParseExamRecord(std::string_view text) {
    ExamRecord record{.code = Mid(text, 1, 4),
                      .grade = Mid(text, 5, 2),
                      .year = Mid(text, 7, 2),
                      .month = Mid(text, 9, 2),
                      .day = Mid(text, 11, 2),
                      .date = std::nullopt};
    record.date = DateOfParts(record.month, record.day, record.year);
    return record;
}

YearRecord ParseYearRecord(std::string_view text) { return {Mid(text, 3, 2)}; }

}  // namespace velmaro
