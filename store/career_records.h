#pragma once

#include <chrono>
#include <optional>
#include <string_view>

#include "base/civil_date.h"
#include "base/numeric_value.h"
#include "base/short_text.h"

namespace velmaro {

// One record of esami.dir: an exam the student passed. Each field is cut by position from the
// record text (code 1-4, mark 5-6, date yymmdd 7-12) as the raw bytes of the file; a record
// too short for a field gives a shorter or empty field. The fields are held in place, so a
// student's exams are one block of memory.
struct ExamRecord {
    ExamRecord() = default;
    // Takes an exam record text apart. Built where it is kept (a student's exams are gathered
    // with emplace_back): a record built elsewhere and copied in byte by byte costs a stall
    // on every load of it.
    explicit ExamRecord(std::string_view text);

    ShortText<4> code;   // looked up in the exam table
    ShortText<2> grade;  // two digits, "31" with honours, above "31" a pass without a mark
    ShortText<2> year;   // the exam date's two-digit year, month and day
    ShortText<2> month;
    ShortText<2> day;
    // The exam date when the three fields form a real calendar date (two-digit years 00-29
    // are 2000-2029, 30-99 are 1930-1999); nothing otherwise.
    std::optional<std::chrono::sys_days> date;

    bool operator==(const ExamRecord&) const = default;
};

// The mark with honours, "31": printed as "30 e lode", counted as 30.
inline constexpr std::string_view kHonoursGrade = "31";

// What an exam's name holds when the exam is a module, which the averages weigh half whatever
// its grade (case as written).
inline constexpr std::string_view kModuleMarker = "(MOD";

// Whether an exam's grade field stands for a pass without a mark: any text after "31",
// compared byte by byte (a text that begins another is the smaller).
inline bool IsPassWithoutMark(std::string_view grade) { return grade > kHonoursGrade; }

// Takes an exam record text apart: ExamRecord(text).
inline ExamRecord ParseExamRecord(std::string_view text) { return ExamRecord(text); }

// One record of velmara.dir: an academic year of the student's career.
struct YearRecord {
    YearRecord() = default;
    // Takes a year record text apart.
    explicit YearRecord(std::string_view text);

    ShortText<2> year;  // positions 3-4: the two-digit year of that academic year

    bool operator==(const YearRecord&) const = default;
};

// Takes a year record text apart: YearRecord(text).
inline YearRecord ParseYearRecord(std::string_view text) { return YearRecord(text); }

// A student still enrolled is expected to end studies on 31 May of the year after the last
// academic year, or two years after with more than this many exams; the chart ends there.
inline constexpr int kExamsForLongerStudies = 15;

// That 31 May, for a last academic year whose value is lastYear (rounded half to even) and
// numExams exams. Its year is the last two digits of the sum as a two-digit year, 99 + 1 giving
// 2000. Where the century rule for two-digit years would put that year before the academic
// year it follows (28 + 2 read as 1930), it is the century after: a career that runs into
// 2030 ends there, not a hundred years before it began.
inline std::chrono::year_month_day ExpectedEndDate(double lastYear, int numExams) {
    const int added = numExams > kExamsForLongerStudies ? 2 : 1;
    const auto sum = static_cast<long long>(RoundHalfEven(lastYear + added));
    const auto twoDigits = [](long long value) {
        return static_cast<int>((value % 100 + 100) % 100);
    };
    const int end = ExpandTwoDigitYear(twoDigits(sum));
    const int year = end < ExpandTwoDigitYear(twoDigits(sum - added)) ? end + 100 : end;
    return std::chrono::year{year} / std::chrono::May / 31;
}

}  // namespace velmaro
