#include "base/windows1252.h"

#include <algorithm>
#include <array>
#include <cstdint>

#include "base/utf8_sequence.h"

namespace velmaro {
namespace {

// Code points of the bytes 0x80 to 0x9F, where Windows-1252 departs from Latin-1.
constexpr std::array<char32_t, 32> kHighControls = {
    0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD, 0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178};

}  // namespace

std::string DecodeWindows1252(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (const char c : bytes) {
        const auto byte = static_cast<std::uint8_t>(c);
        if (byte < 0x80) {
            out.push_back(c);
        } else if (byte < 0xA0) {
            AppendUtf8(out, kHighControls[byte - 0x80]);
        } else {
            AppendUtf8(out, byte);
        }
    }
    return out;
}

bool IsWindows1252Character(std::uint32_t codePoint) {
    if (codePoint < 0x80 || (codePoint >= 0xA0 && codePoint <= 0xFF)) return true;
    return codePoint != 0xFFFD &&
           std::find(kHighControls.begin(), kHighControls.end(), codePoint) != kHighControls.end();
}

bool IsUndefinedInWindows1252(unsigned char byte) {
    return byte >= 0x80 && byte < 0xA0 && kHighControls[byte - 0x80] == 0xFFFD;
}

std::size_t CountUtf8Characters(std::string_view utf8) {
    std::size_t count = 0;
    for (const char c : utf8) {
        if ((static_cast<std::uint8_t>(c) & 0xC0) != 0x80) ++count;
    }
    return count;
}

}  // namespace velmaro
