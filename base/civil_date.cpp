#include "base/civil_date.h"

#include <array>
#include <cstdio>

namespace velmaro {
namespace {

constexpr int kNotDigits = -1;

// The value of a part of 1 to maxDigits decimal digits; kNotDigits otherwise.
constexpr int DigitsValue(std::string_view part, std::size_t maxDigits) {
    if (part.empty() || part.size() > maxDigits) return kNotDigits;
    int value = 0;
    for (const char c : part) {
        if (c < '0' || c > '9') return kNotDigits;
        value = value * 10 + (c - '0');
    }
    return value;
}

// The value of the two characters of text from at on when both are decimal digits; kNotDigits
// otherwise.
constexpr int TwoDigitsAt(std::string_view text, std::size_t at) {
    const unsigned tens = static_cast<unsigned char>(text[at]) - unsigned{'0'};
    const unsigned ones = static_cast<unsigned char>(text[at + 1]) - unsigned{'0'};
    return tens <= 9 && ones <= 9 ? static_cast<int>(tens * 10 + ones) : kNotDigits;
}

constexpr bool IsLeapYear(int year) {
    return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
}

constexpr std::array<int, 12> kMonthLengths{31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};

// Whether year, month and day (each kNotDigits when its part was not digits) name a day of
// the calendar. Checked on the numbers themselves: a year_month_day built field by field and
// then asked costs more than the rest of reading an exam record.
constexpr bool IsRealDate(int year, int month, int day) {
    if (year < 0 || month < 1 || month > 12 || day < 1) return false;
    const int length = month == 2 && IsLeapYear(year) ? 29 : kMonthLengths[month - 1];
    return day <= length;
}

// The day number of 1 January of each two-digit year, expanded by ExpandTwoDigitYear.
constexpr std::array<std::int32_t, 100> kFirstDayOfTwoDigitYear = [] {
    std::array<std::int32_t, 100> days{};
    for (int year = 0; year < 100; ++year) {
        const std::chrono::year full{ExpandTwoDigitYear(year)};
        days[static_cast<std::size_t>(year)] = static_cast<std::int32_t>(
            std::chrono::sys_days{full / 1 / 1}.time_since_epoch().count());
    }
    return days;
}();

// The days of a common year before the first of each month.
constexpr std::array<int, 12> kDaysBeforeMonth{0,   31,  59,  90,  120, 151,
                                               181, 212, 243, 273, 304, 334};

std::optional<std::chrono::year_month_day> RealDate(int year, int month, int day) {
    if (!IsRealDate(year, month, day)) return std::nullopt;
    return std::chrono::year{year} / month / day;
}

}  // namespace

std::int64_t DayNumberOfParts(std::string_view month, std::string_view day, std::string_view year) {
    int fullYear = kNotDigits;
    if (year.size() == 4) {
        fullYear = DigitsValue(year, 4);
    } else if (const int shortYear = DigitsValue(year, 2); shortYear != kNotDigits) {
        fullYear = ExpandTwoDigitYear(shortYear);
    }
    const int monthNumber = DigitsValue(month, 2);
    const int dayNumber = DigitsValue(day, 2);
    if (!IsRealDate(fullYear, monthNumber, dayNumber)) return kNoDayNumber;
    return std::chrono::sys_days{std::chrono::year{fullYear} / monthNumber / dayNumber}
        .time_since_epoch()
        .count();
}

std::int64_t DayNumberOfYyMmDd(std::string_view yymmdd) {
    if (yymmdd.size() != 6) return kNoDayNumber;
    const int shortYear = TwoDigitsAt(yymmdd, 0);
    const int month = TwoDigitsAt(yymmdd, 2);
    const int day = TwoDigitsAt(yymmdd, 4);
    if (shortYear == kNotDigits) return kNoDayNumber;
    const int year = ExpandTwoDigitYear(shortYear);
    if (!IsRealDate(year, month, day)) return kNoDayNumber;
    const int leapDay = month > 2 && IsLeapYear(year) ? 1 : 0;
    return kFirstDayOfTwoDigitYear[static_cast<std::size_t>(shortYear)] +
           kDaysBeforeMonth[static_cast<std::size_t>(month - 1)] + leapDay + day - 1;
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
    const std::int64_t days = DayNumberOfParts(parts[0], parts[1], parts[2]);
    if (days == kNoDayNumber) return std::nullopt;
    return std::chrono::sys_days{std::chrono::days{days}};
}

std::optional<std::chrono::year_month_day> ParseIsoDate(std::string_view text) {
    if (text.size() != 10 || text[4] != '-' || text[7] != '-') return std::nullopt;
    return RealDate(DigitsValue(text.substr(0, 4), 4), DigitsValue(text.substr(5, 2), 2),
                    DigitsValue(text.substr(8, 2), 2));
}

std::string IsoDateText(std::chrono::year_month_day date) {
    char text[16];
    std::snprintf(text, sizeof text, "%04d-%02u-%02u", static_cast<int>(date.year()),
                  static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()));
    return text;
}

}  // namespace velmaro
