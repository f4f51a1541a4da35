#include "base/numeric_value.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <limits>
#include <string>

namespace velmaro {
namespace {

bool IsIgnoredBlank(char c) { return c == ' ' || c == '\t' || c == '\n'; }

// The text with every ignored blank removed: "1 2 3" reads as 123.
std::string WithoutBlanks(std::string_view text) {
    std::string compact;
    compact.reserve(text.size());
    for (const char c : text) {
        if (!IsIgnoredBlank(c)) {
            compact.push_back(c);
        }
    }
    return compact;
}

int DigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return 99;
}

double RadixValue(std::string_view digits, int radix) {
    double value = 0;
    for (const char c : digits) {
        const int digit = DigitValue(c);
        if (digit >= radix) break;
        value = value * radix + digit;
    }
    return value;
}

// Whether a decimal number text (digits, point, "e" exponent) that from_chars found out of range
// is too large rather than too small. Out of range means beyond about 1e308 or below about
// 1e-324, so the sign of the decimal order of magnitude decides: the digits before the point
// (or minus the zeros after it) plus the exponent.
bool IsTooLarge(std::string_view number) {
    const std::size_t exponentAt = number.find('e');
    const std::string_view mantissa = number.substr(0, exponentAt);
    const std::size_t point = std::min(mantissa.find('.'), mantissa.size());
    const std::string_view whole = mantissa.substr(0, point);
    long long magnitude = 0;
    if (const auto firstSignificant = whole.find_first_not_of('0');
        firstSignificant != std::string_view::npos) {
        magnitude = static_cast<long long>(whole.size() - firstSignificant);
    } else {
        const std::string_view fraction = mantissa.substr(std::min(point + 1, mantissa.size()));
        magnitude =
            -static_cast<long long>(std::min(fraction.find_first_not_of('0'), fraction.size()));
    }
    if (exponentAt != std::string_view::npos) {
        std::string_view digits = number.substr(exponentAt + 1);
        const bool negative = !digits.empty() && digits.front() == '-';
        if (!digits.empty() && (digits.front() == '-' || digits.front() == '+')) {
            digits.remove_prefix(1);
        }
        constexpr long long kSaturated = 1'000'000'000'000LL;  // far beyond any double
        long long exponent = 0;
        for (const char c : digits)
            exponent = std::min(exponent * 10 + (c - '0'), kSaturated);
        magnitude += negative ? -exponent : exponent;
    }
    return magnitude > 0;
}

}  // namespace

double NumericValue(std::string_view text) {
    // Most numbers in the data are a few plain digits (keys, counts, record numbers): their
    // value needs none of the general reading below.
    if (!text.empty() && text.size() <= 9 &&
        std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        int value = 0;
        for (const char c : text)
            value = value * 10 + (c - '0');
        return value;
    }
    const std::string s = WithoutBlanks(text);
    if (s.size() >= 2 && s[0] == '&') {
        const char prefix = s[1];
        if (prefix == 'H' || prefix == 'h') return RadixValue(std::string_view(s).substr(2), 16);
        if (prefix == 'O' || prefix == 'o') return RadixValue(std::string_view(s).substr(2), 8);
        return 0;
    }

    // Collect the longest prefix that reads as a decimal number, then convert exactly that
    // prefix with from_chars: it rounds correctly and ignores the locale's decimal separator.
    std::string number;
    std::size_t i = 0;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
    bool anyDigit = false;
    while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i]))) {
        number.push_back(s[i++]);
        anyDigit = true;
    }
    if (i < s.size() && s[i] == '.') {
        number.push_back(s[i++]);
        while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i]))) {
            number.push_back(s[i++]);
            anyDigit = true;
        }
    }
    if (!anyDigit) return 0;
    if (i < s.size() && (s[i] == 'E' || s[i] == 'e' || s[i] == 'D' || s[i] == 'd')) {
        std::size_t j = i + 1;
        std::string exponent = "e";
        if (j < s.size() && (s[j] == '+' || s[j] == '-')) exponent.push_back(s[j++]);
        const std::size_t firstDigit = j;
        while (j < s.size() && std::isdigit(static_cast<unsigned char>(s[j]))) {
            exponent.push_back(s[j++]);
        }
        if (j > firstDigit) number += exponent;
    }
    double value = 0;
    const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value);
    if (error == std::errc::result_out_of_range) {
        // from_chars leaves value alone on overflow or underflow: tell the two apart.
        value = IsTooLarge(number) ? std::numeric_limits<double>::infinity() : 0.0;
    }
    return negative ? -value : value;
}

double RoundHalfEven(double value) {
    if (!std::isfinite(value)) return value;
    return std::nearbyint(value);  // the default rounding mode sends halves to even
}

std::optional<std::int32_t> RoundToInt32(double value) {
    if (!std::isfinite(value)) return std::nullopt;
    const double rounded = RoundHalfEven(value);
    if (rounded < static_cast<double>(std::numeric_limits<std::int32_t>::min()) ||
        rounded > static_cast<double>(std::numeric_limits<std::int32_t>::max())) {
        return std::nullopt;
    }
    return static_cast<std::int32_t>(rounded);
}

std::string FormatShortest(double value) {
    char buffer[64];
    const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value);
    return error == std::errc{} ? std::string(buffer, end) : std::string("nan");
}

}  // namespace velmaro
