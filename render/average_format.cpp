#include "render/average_format.h"

#include <charconv>
#include <cmath>

namespace velmaro {
namespace {

// The value rounded to two decimals as its whole digits and its two decimal digits. Rounding
// works on the shortest decimal text that reads back as value, so a value that is 1.005 as
// computed rounds to 1.01 as a person would expect, not down because of its binary form.
struct TwoDecimals {
    bool negative;
    std::string whole;     // no leading zeros; empty for 0
    std::string decimals;  // exactly two digits
};

TwoDecimals RoundToTwoDecimals(double value) {
    if (!std::isfinite(value)) value = 0;
    char buffer[400];
    const auto [end, error] =
        std::to_chars(buffer, buffer + sizeof buffer, std::fabs(value), std::chars_format::fixed);
    std::string text = error == std::errc{} ? std::string(buffer, end) : std::string("0");
    const auto point = text.find('.');
    std::string whole = text.substr(0, point);
    std::string fraction = point == std::string::npos ? std::string{} : text.substr(point + 1);
    fraction.resize(std::max<std::size_t>(fraction.size(), 3), '0');

    // Digits of whole and the first two decimals as one number, plus one when the third
    // decimal is 5 or more.
    std::string digits = whole + fraction.substr(0, 2);
    if (fraction[2] >= '5') {
        int i = static_cast<int>(digits.size()) - 1;
        while (i >= 0 && digits[static_cast<std::size_t>(i)] == '9') {
            digits[static_cast<std::size_t>(i--)] = '0';
        }
        if (i < 0) {
            digits.insert(digits.begin(), '1');
        } else {
            ++digits[static_cast<std::size_t>(i)];
        }
    }
    TwoDecimals result{value < 0, digits.substr(0, digits.size() - 2),
                       digits.substr(digits.size() - 2)};
    result.whole.erase(0, result.whole.find_first_not_of('0'));
    if (result.whole.empty() && result.decimals == "00") result.negative = false;
    return result;
}

}  // namespace

std::string FormatTwoOptionalDecimals(double value, std::string_view separator) {
    TwoDecimals rounded = RoundToTwoDecimals(value);
    while (!rounded.decimals.empty() && rounded.decimals.back() == '0') {
        rounded.decimals.pop_back();
    }
    return (rounded.negative ? "-" : "") + rounded.whole + std::string(separator) +
           rounded.decimals;
}

std::string FormatTwoDecimals(double value, std::string_view separator) {
    const TwoDecimals rounded = RoundToTwoDecimals(value);
    return (rounded.negative ? "-" : "") + rounded.whole + std::string(separator) +
           rounded.decimals;
}

}  // namespace velmaro
