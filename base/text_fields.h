#pragma once

#include <string>
#include <string_view>

namespace velmaro {

// Cutting fields out of record texts by character position. Every function yields the
// characters that exist and never fails: a piece beyond the end of the text is shorter
// or empty.

// The first count characters of text.
std::string_view Left(std::string_view text, std::size_t count);

// count characters of text starting at the 1-based position start.
std::string_view Mid(std::string_view text, std::size_t start, std::size_t count);

// Everything of text from the 1-based position start on.
std::string_view MidToEnd(std::string_view text, std::size_t start);

// The last count characters of text.
std::string_view Right(std::string_view text, std::size_t count);

// text without blanks (the space character only) at both ends.
std::string_view TrimBlanks(std::string_view text);

// text without leading blanks (the space character only).
std::string_view TrimLeadingBlanks(std::string_view text);

}  // namespace velmaro
