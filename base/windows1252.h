#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace velmaro {

// The UTF-8 form of a text stored in the Windows-1252 code page, as every data file is.
// Total over all 256 byte values: the five codes that the code page leaves undefined
// become U+FFFD, so no byte is ever lost silently or rejected.
std::string DecodeWindows1252(std::string_view bytes);

// Whether Windows-1252 has the character codePoint (ASCII, U+00A0 ... U+00FF, and the 27
// characters of its bytes 0x80 to 0x9F: "€", curly quotes, dashes, ...).
bool IsWindows1252Character(std::uint32_t codePoint);

// Whether byte is one of the five (0x81, 0x8D, 0x8F, 0x90, 0x9D) that Windows-1252 leaves
// undefined, and that DecodeWindows1252 makes U+FFFD.
bool IsUndefinedInWindows1252(unsigned char byte);

// The number of characters (code points) of a UTF-8 text.
std::size_t CountUtf8Characters(std::string_view utf8);

}  // namespace velmaro
