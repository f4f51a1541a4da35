#include "base/printable_text.h"

#include <cstdint>

#include "base/utf8_sequence.h"

namespace velmaro {

namespace {

bool IsControl(std::uint32_t codePoint) {
    return codePoint < 0x20 || (codePoint >= 0x7F && codePoint <= 0x9F);
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
        if (IsControl(codePoint)) {
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

}  // namespace velmaro
