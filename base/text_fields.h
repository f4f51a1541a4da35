#pragma once

#include <string>
#include <string_view>

namespace velmaro {

// Cutting fields out of record texts by character position. Every function yields the
// characters that exist and never fails: a piece beyond the end of the text is shorter
// or empty.

// The first count characters of text.
inline std::string_view Left(std::string_view text, std::size_t count) {
    return text.substr(0, count);
}

// count characters of text starting at the 1-based position start.
inline std::string_view Mid(std::string_view text, std::size_t start, std::size_t count) {
    if (start < 1 || start > text.size()) return {};
    return text.substr(start - 1, count);
}

// Everything of text from the 1-based position start on.
inline std::string_view MidToEnd(std::string_view text, std::size_t start) {
    return Mid(text, start, std::string_view::npos);
}

// The last count characters of text.
inline std::string_view Right(std::string_view text, std::size_t count) {
    return count >= text.size() ? text : text.substr(text.size() - count);
}

// text without blanks (the space character only) at both ends.
std::string_view TrimBlanks(std::string_view text);

// text without leading blanks (the space character only).
std::string_view TrimLeadingBlanks(std::string_view text);

}  // namespace velmaro
