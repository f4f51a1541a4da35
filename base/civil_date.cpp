#include "base/civil_date.h"

#include <array>
#include <cctype>

namespace velmaro {
namespace {

// The value of a part of 1 to maxDigits decimal digits.
std::optional<int> DigitsValue(std::string_view part, std::size_t maxDigits) {
    if (part.empty() || part.size() > maxDigits) return std::nullopt;
    int value = 0;
    for (const char c : part) {
        if (!std::isdigit(static_cast<unsigned char>(c))) return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return value;
}

// The calendar day of year, month and day, when all three are there and it exists.
std::optional<std::chrono::year_month_day> RealDate(std::optional<int> year,
                                                    std::optional<int> month,
                                                    std::optional<int> day) {
    if (!year || !month || !day) return std::nullopt;
    const std::chrono::year_month_day date{std::chrono::year{*year},
                                           std::chrono::month{static_cast<unsigned>(*month)},
                                           std::chrono::day{static_cast<unsigned>(*day)}};
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
    const auto month = DigitsValue(parts[0], 2);
    const auto day = DigitsValue(parts[1], 2);
    std::optional<int> year;
    if (parts[2].size() == 4) {
        year = DigitsValue(parts[2], 4);
    } else if (const auto shortYear = DigitsValue(parts[2], 2)) {
        year = ExpandTwoDigitYear(*shortYear);
    }
    const auto date = RealDate(year, month, day);
    if (!date) return std::nullopt;
    return std::chrono::sys_days{*date};
}

std::optional<std::chrono::year_month_day> ParseIsoDate(std::string_view text) {
    if (text.size() != 10 || text[4] != '-' || text[7] != '-') return std::nullopt;
    return RealDate(DigitsValue(text.substr(0, 4), 4), DigitsValue(text.substr(5, 2), 2),
                    DigitsValue(text.substr(8, 2), 2));
}

}  // namespace velmaro
