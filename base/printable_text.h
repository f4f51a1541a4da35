#pragma once

#include <string>
#include <string_view>

namespace velmaro {

// text made safe to show to a user, on a terminal or in a message box: valid UTF-8 is kept,
// except control characters (C0, DEL and C1, the escape and cursor sequences of a terminal) and
// characters that show as nothing or as a plain space but are none (a non-breaking space, a
// byte-order mark, zero widths, the marks that turn the text's direction), which appear escaped
// as \xHH for each of their bytes, as does every byte that is not part of valid UTF-8 (so a
// truncated or overlong sequence, or a surrogate, cannot reach the output).
// A backslash appears doubled: "\x0a" escaped is a newline, "\\x0a" the four characters.
std::string PrintableText(std::string_view text);

// The most bytes of a value a message repeats (a number typed, a line of a data file): far more
// than any sound value has, few enough that a line of megabytes still makes a line to read.
inline constexpr std::size_t kLongestEchoedText = 256;

// text as a message repeats it: whole up to most bytes, else its first bytes up to there, cut at
// the start of a UTF-8 character, followed by "…".
std::string EchoedText(std::string_view text, std::size_t most = kLongestEchoedText);

}  // namespace velmaro
