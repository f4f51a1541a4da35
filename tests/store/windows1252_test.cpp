// The data files' code page, byte by byte, against the C library's own converter.

#include "base/windows1252.h"

#include <gtest/gtest.h>
#include <iconv.h>

#include <string>

namespace velmaro {
namespace {

// The UTF-8 form of byte as the system's CP1252 converter gives it; U+FFFD for the bytes the
// code page leaves undefined, which the converter refuses.
std::string SystemDecoded(iconv_t converter, char byte) {
    char out[8] = {};
    char* in = &byte;
    std::size_t inLeft = 1;
    char* outAt = out;
    std::size_t outLeft = sizeof out;
    if (::iconv(converter, &in, &inLeft, &outAt, &outLeft) == static_cast<std::size_t>(-1))
        return "\xEF\xBF\xBD";
    return std::string(out, sizeof out - outLeft);
}

TEST(Windows1252, EveryByteDecodesAsTheSystemsConverterReadsIt) {
    const iconv_t converter = ::iconv_open("UTF-8", "CP1252");
    ASSERT_NE(converter, reinterpret_cast<iconv_t>(-1));
    std::string all;
    std::string expected;
    for (int value = 0; value < 256; ++value) {
        const char byte = static_cast<char>(value);
        EXPECT_EQ(DecodeWindows1252(std::string(1, byte)), SystemDecoded(converter, byte))
            << "byte " << value;
        all += byte;
        expected += SystemDecoded(converter, byte);
    }
    ::iconv_close(converter);
    EXPECT_EQ(DecodeWindows1252(all), expected);
    EXPECT_EQ(CountUtf8Characters(expected), 256u);
}

}  // namespace
}  // namespace velmaro
