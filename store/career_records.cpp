#include "store/career_records.h"

#include "base/civil_date.h"
#include "base/text_fields.h"

namespace velmaro {

namespace {

// The positions of an exam record's fields; a full record holds them all.
constexpr std::size_t kCodeAt = 1, kGradeAt = 5, kYearAt = 7, kMonthAt = 9, kDayAt = 11;
constexpr std::size_t kFullExamRecord = 12;

}  // namespace

ExamRecord ParseExamRecord(std::string_view text) {
    ExamRecord record;
    if (text.size() >= kFullExamRecord) {
        // Every field whole: cut with fixed lengths, which copy without a call per field.
        const char* at = text.data() - 1;
        record.code.assign(at + kCodeAt, 4);
        record.grade.assign(at + kGradeAt, 2);
        record.year.assign(at + kYearAt, 2);
        record.month.assign(at + kMonthAt, 2);
        record.day.assign(at + kDayAt, 2);
    } else {
        record.code = Mid(text, kCodeAt, 4);
        record.grade = Mid(text, kGradeAt, 2);
        record.year = Mid(text, kYearAt, 2);
        record.month = Mid(text, kMonthAt, 2);
        record.day = Mid(text, kDayAt, 2);
    }
    record.date = DateOfParts(record.month, record.day, record.year);
    return record;
}

YearRecord ParseYearRecord(std::string_view text) { return {std::string(Mid(text, 3, 2))}; }

}  // namespace velmaro
