#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace velmaro {

// The numeric value of a text, read the way the legacy data was written: blanks, tabs
// and line feeds are ignored wherever they stand; then an optional sign, decimal digits,
// an optional decimal point with digits and an optional exponent (E or D) are read, or
// a hexadecimal (&H) or octal (&O) number. Reading stops at the first character that
// cannot continue the number; a text without a number gives 0. The result may be
// infinite when the exponent overflows.
double NumericValue(std::string_view text);

// The nearest 32-bit integer to value, an exact half going to the even neighbour;
// nothing when value is not finite or lies outside the 32-bit range.
std::optional<std::int32_t> RoundToInt32(double value);

// RoundToInt32(NumericValue(text)), read directly when text is one to nine decimal digits
// and nothing else, as record numbers, counts and keys are written.
inline std::optional<std::int32_t> WholeNumberValue(std::string_view text) {
    if (!text.empty() && text.size() <= 9) {
        std::int32_t value = 0;
        std::size_t digits = 0;
        for (; digits < text.size() && text[digits] >= '0' && text[digits] <= '9'; ++digits)
            value = value * 10 + (text[digits] - '0');
        if (digits == text.size()) return value;
    }
    return RoundToInt32(NumericValue(text));
}

// The shortest exact text of value, without the ".0" of whole numbers (30 is "30").
std::string FormatShortest(double value);

// The nearest whole number to value with halves to even, as a double (no range limit).
double RoundHalfEven(double value);

}  // namespace velmaro
