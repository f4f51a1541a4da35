#pragma once

#include <cstdint>

namespace velmaro {

// value's low 16 or all 32 bits appended to bytes (a std::string, a QByteArray), the most
// significant byte first: the byte order of font files and PNG images.
template <typename Bytes>
void AppendU16(Bytes& bytes, std::uint32_t value) {
    bytes.push_back(static_cast<char>(value >> 8 & 0xFF));
    bytes.push_back(static_cast<char>(value & 0xFF));
}

template <typename Bytes>
void AppendU32(Bytes& bytes, std::uint32_t value) {
    AppendU16(bytes, value >> 16);
    AppendU16(bytes, value & 0xFFFF);
}

}  // namespace velmaro
