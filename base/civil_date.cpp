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

// The calendar day of year, month and day (each kNotDigits when its part was not digits),
// when it exists.
std::optional<std::chrono::year_month_day> RealDate(int year, int month, int day) {
    if (year == kNotDigits || month == kNotDigits || day == kNotDigits) return std::nullopt;
    const std::chrono::year_month_day date{std::chrono::year{year},
                                           std::chrono::month{static_cast<unsigned>(month)},
                                           std::chrono::day{static_cast<unsigned>(day)}};
    if (!date.ok()) return std::nullopt;
    return date;
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
    const auto date = RealDate(fullYear, DigitsValue(month, 2), DigitsValue(day, 2));
    if (!date) return std::nullopt;
    return std::chrono::sys_days{*date};
}

std::optional<std::chrono::year_month_day> ParseIsoDate(std::string_view text) {
    if (text.size() != 10 || text[4] != '-' || text[7] != '-') return std::nullopt;
    return RealDate(DigitsValue(text.substr(0, 4), 4), DigitsValue(text.substr(5, 2), 2),
                    DigitsValue(text.substr(8, 2), 2));
}

}  // namespace velmaro
