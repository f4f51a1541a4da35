#pragma once

#include <string>
#include <string_view>

namespace velmaro {

// The UTF-8 form of a text stored in the Windows-1252 code page, as every data file is.
// Total over all 256 byte values: the five codes that the code page leaves undefined
// become U+FFFD, so no byte is ever lost silently or rejected.
std::string DecodeWindows1252(std::string_view bytes);

// The number of characters (code points) of a UTF-8 text.
std::size_t CountUtf8Characters(std::string_view utf8);

}  // namespace velmaro
