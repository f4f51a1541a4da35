#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace velmaro {

// The full year of a two-digit year: 00-29 are 2000-2029, 30-99 are 1930-1999.
constexpr int ExpandTwoDigitYear(int twoDigitYear) {
    return twoDigitYear < 30 ? 2000 + twoDigitYear : 1900 + twoDigitYear;
}

// The calendar date written as month/day/year ("11/01/96", "05/31/00", "12/31/1999"): each
// part decimal digits, the month and day of one or two digits, the year of one or two digits
// (expanded as above) or of four. Nothing when the text is not such a date or the date does
// not exist (02/30/99).
std::optional<std::chrono::sys_days> ParseMonthDayYear(std::string_view monthDayYear);

// What DayNumberOfParts gives for parts that do not form a date.
inline constexpr std::int64_t kNoDayNumber = INT64_MIN;

// The date of the three parts held apart, each read as ParseMonthDayYear reads it (the date of
// month + "/" + day + "/" + year without building that text), as days since 1970-01-01;
// kNoDayNumber when they form no date. A plain number, so that the many callers of a lookup or
// a check get it in a register rather than through memory.
std::int64_t DayNumberOfParts(std::string_view month, std::string_view day, std::string_view year);

// The date written yymmdd in six characters, as DayNumberOfParts gives it for the parts mm, dd
// and yy; kNoDayNumber when they form no date. For reading many dates: the days before each
// two-digit year come from a table.
std::int64_t DayNumberOfYyMmDd(std::string_view yymmdd);

// A date written YYYY-MM-DD that names a real calendar day; nothing otherwise.
std::optional<std::chrono::year_month_day> ParseIsoDate(std::string_view text);

// The date written YYYY-MM-DD, as ParseIsoDate reads it.
std::string IsoDateText(std::chrono::year_month_day date);

// Days from `from` to `to`; negative when `to` is the earlier.
inline double DaysBetween(std::chrono::sys_days from, std::chrono::sys_days to) {
    return static_cast<double>((to - from).count());
}

}  // namespace velmaro
