#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace velmaro::sample {

// The Windows-1252 bytes of a UTF-8 text, the code page of every data file. Covers ASCII
// and the Latin-1 letters (U+00A0 ... U+00FF), which hold every Italian accented letter;
// nothing when the text is not valid UTF-8 or has a character outside that range.
std::optional<std::string> EncodeWindows1252(std::string_view utf8);

}  // namespace velmaro::sample
