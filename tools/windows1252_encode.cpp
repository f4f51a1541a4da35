#include "tools/windows1252_encode.h"

#include <cstdint>

namespace velmaro::sample {

std::optional<std::string> EncodeWindows1252(std::string_view utf8) {
    std::string bytes;
    bytes.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const auto lead = static_cast<std::uint8_t>(utf8[i]);
        if (lead < 0x80) {
            bytes.push_back(static_cast<char>(lead));
            continue;
        }
        // Two-byte sequences C2 xx and C3 xx encode U+0080 ... U+00FF; of those only
        // U+00A0 and above share their byte value with Windows-1252.
        if ((lead != 0xC2 && lead != 0xC3) || i + 1 >= utf8.size()) return std::nullopt;
        const auto follow = static_cast<std::uint8_t>(utf8[i + 1]);
        if ((follow & 0xC0) != 0x80) return std::nullopt;
        const unsigned code = ((lead & 0x1FU) << 6) | (follow & 0x3FU);
        if (code < 0xA0) return std::nullopt;
        bytes.push_back(static_cast<char>(code));
        ++i;
    }
    return bytes;
}

}  // namespace velmaro::sample
