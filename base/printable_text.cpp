#include "base/printable_text.h"

#include <cstdint>

#include "base/utf8_sequence.h"

namespace velmaro {

namespace {

bool IsControl(std::uint32_t codePoint) {
    return codePoint < 0x20 || (codePoint >= 0x7F && codePoint <= 0x9F);
}

// Characters that show as nothing, or as an ordinary space, but are not one: a non-breaking
// space or a byte-order mark pasted before a number ("5193" not found, it would seem), zero
// widths and joiners, and the marks that turn the direction of the text around it.
bool IsInvisible(std::uint32_t codePoint) {
    constexpr std::uint32_t kRanges[][2] = {
        {0x00A0, 0x00A0}, {0x00AD, 0x00AD},   {0x034F, 0x034F},  {0x061C, 0x061C}, {0x115F, 0x1160},
        {0x17B4, 0x17B5}, {0x180B, 0x180F},   {0x2000, 0x200F},  {0x2028, 0x202F}, {0x205F, 0x206F},
        {0x3000, 0x3000}, {0x3164, 0x3164},   {0xFE00, 0xFE0F},  {0xFEFF, 0xFEFF}, {0xFFA0, 0xFFA0},
        {0xFFF9, 0xFFFB}, {0xE0000, 0xE007F}, {0xE0100, 0xE01EF}};
    for (const auto& [first, last] : kRanges)
        if (codePoint >= first && codePoint <= last) return true;
    return false;
}

void AppendEscaped(std::string& out, std::string_view bytes) {
    static constexpr char kHex[] = "0123456789abcdef";
    for (const char c : bytes) {
        const auto value = static_cast<unsigned char>(c);
        out += "\\x";
        out += kHex[value >> 4];
        out += kHex[value & 0x0F];
    }
}

}  // namespace

std::string PrintableText(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    while (!text.empty()) {
        std::uint32_t codePoint = 0;
        const std::size_t length = Utf8Sequence(text, codePoint);
        if (length == 0) {
            AppendEscaped(out, text.substr(0, 1));
            text.remove_prefix(1);
            continue;
        }
        if (IsControl(codePoint) || IsInvisible(codePoint)) {
            AppendEscaped(out, text.substr(0, length));
        } else if (codePoint == '\\') {
            out += "\\\\";  // doubled, so that a \x written in the text is not taken for an escape
        } else {
            out.append(text.substr(0, length));
        }
        text.remove_prefix(length);
    }
    return out;
}

std::string EchoedText(std::string_view text, std::size_t most) {
    if (text.size() <= most) return std::string(text);
    std::size_t end = most;
    // Back over continuation bytes (10xxxxxx) to the start of the character they belong to.
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
        --end;
    return std::string(text.substr(0, end)) + "…";
}

}  // namespace velmaro
