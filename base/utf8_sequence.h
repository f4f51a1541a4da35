#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace velmaro {

// The length of the valid UTF-8 sequence at the start of text and its code point; a length of
// 0 when the first byte does not begin one (a stray or missing continuation byte, an overlong
// form, a surrogate, a code point past U+10FFFF).
std::size_t Utf8Sequence(std::string_view text, std::uint32_t& codePoint);

// Appends codePoint (at most U+10FFFF, not a surrogate) to out as UTF-8.
void AppendUtf8(std::string& out, std::uint32_t codePoint);

}  // namespace velmaro
