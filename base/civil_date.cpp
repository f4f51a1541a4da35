#include "base/civil_date.h"

#include <array>

namespace velmaro {
namespace {

constexpr int kNotDigits = -1;

// The value of a part of 1 to maxDigits decimal digits; kNotDigits otherwise.
int DigitsValue(std::string_view part, std::size_t maxDigits) {
    if (part.empty() || part.size() > maxDigits) return kNotDigits;
    int value = 0;
    for (const char c : part) {
        if (c < '0' || c > '9') return kNotDigits;
        value = value * 10 + (c - '0');
    }
    return value;
}

bool IsLeapYear(int year) { return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0); }

// Whether year, month and day (each kNotDigits when its part was not digits) name a real day.
bool IsRealDay(int year, int month, int day) {
    static constexpr std::array<int, 13> kMonthLength{0,  31, 28, 31, 30, 31, 30,
                                                      31, 31, 30, 31, 30, 31};
    if (year == kNotDigits || month < 1 || month > 12 || day < 1) return false;
    return day <= kMonthLength[static_cast<std::size_t>(month)] ||
           (month == 2 && day == 29 && IsLeapYear(year));
}

// Days since 1970-01-01 of a real day of the proleptic Gregorian calendar (years counted
// from 1 March, so the leap day ends a year).
std::chrono::sys_days DayNumber(int year, int month, int day) {
    const int shiftedYear = month <= 2 ? year - 1 : year;
    const int era = (shiftedYear >= 0 ? shiftedYear : shiftedYear - 399) / 400;
    const int yearOfEra = shiftedYear - era * 400;
    const int dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
    const int dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return std::chrono::sys_days{std::chrono::days{era * 146097 + dayOfEra - 719468}};
}

}  // namespace

int ExpandTwoDigitYear(int twoDigitYear) {
    return twoDigitYear < 30 ? 2000 + twoDigitYear : 1900 + twoDigitYear;
}

std::optional<std::chrono::sys_days> ParseMonthDayYear(std::string_view monthDayYear) {
    std::array<std::string_view, 3> parts;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        const auto slash = monthDayYear.find('/');
        if ((i < 2) == (slash == std::string_view::npos)) return std::nullopt;
        parts[i] = monthDayYear.substr(0, slash);
        monthDayYear =
            slash == std::string_view::npos ? std::string_view{} : monthDayYear.substr(slash + 1);
    }
    return DateOfParts(parts[0], parts[1], parts[2]);
}

std::optional<std::chrono::sys_days> DateOfParts(std::string_view month, std::string_view day,
                                                 std::string_view year) {
    int fullYear = kNotDigits;
    if (year.size() == 4) {
        fullYear = DigitsValue(year, 4);
    } else if (const int shortYear = DigitsValue(year, 2); shortYear != kNotDigits) {
        fullYear = ExpandTwoDigitYear(shortYear);
    }
    const int monthNumber = DigitsValue(month, 2);
    const int dayNumber = DigitsValue(day, 2);
    if (!IsRealDay(fullYear, monthNumber, dayNumber)) return std::nullopt;
    return DayNumber(fullYear, monthNumber, dayNumber);
}

std::optional<std::chrono::year_month_day> ParseIsoDate(std::string_view text) {
    if (text.size() != 10 || text[4] != '-' || text[7] != '-') return std::nullopt;
    const int year = DigitsValue(text.substr(0, 4), 4);
    const int month = DigitsValue(text.substr(5, 2), 2);
    const int day = DigitsValue(text.substr(8, 2), 2);
    if (!IsRealDay(year, month, day)) return std::nullopt;
    return std::chrono::year_month_day{std::chrono::year{year},
                                       std::chrono::month{static_cast<unsigned>(month)},
                                       std::chrono::day{static_cast<unsigned>(day)}};
}

}  // namespace velmaro
