// Texts of the data files and texts echoed to the user: the data files' code page, byte by byte,
// against the C library's own converter; typed numbers and file names with whatever they hold.

#include <gtest/gtest.h>
#include <iconv.h>

#include <cstdint>
#include <string>

#include "base/printable_text.h"
#include "base/utf8_sequence.h"
#include "base/windows1252.h"

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
    std::string all, expected;
    for (int value = 0; value < 256; ++value) {
        const char byte = static_cast<char>(value);
        const std::string decoded = SystemDecoded(converter, byte);
        EXPECT_EQ(DecodeWindows1252(std::string(1, byte)), decoded) << "byte " << value;
        // The characters the code page has, and the bytes it leaves undefined, are the
        // converter's too.
        const bool undefined = decoded == "\xEF\xBF\xBD";
        EXPECT_EQ(IsUndefinedInWindows1252(static_cast<unsigned char>(value)), undefined)
            << "byte " << value;
        std::uint32_t codePoint = 0;
        if (!undefined && Utf8Sequence(decoded, codePoint) == decoded.size()) {
            EXPECT_TRUE(IsWindows1252Character(codePoint)) << "byte " << value;
        }
        all += byte;
        expected += decoded;
    }
    ::iconv_close(converter);
    EXPECT_EQ(DecodeWindows1252(all), expected);
    EXPECT_EQ(CountUtf8Characters(expected), 256u);
    // No other character above ASCII: 256 bytes, 5 undefined, 128 ASCII.
    int characters = 0;
    for (std::uint32_t codePoint = 0x80; codePoint < 0x3000; ++codePoint)
        characters += IsWindows1252Character(codePoint);
    EXPECT_EQ(characters, 256 - 5 - 128);
}

TEST(PrintableText, ControlCharactersAndInvalidUtf8AppearEscaped) {
    const std::pair<std::string, std::string> cases[] = {
        {"5193", "5193"},
        {"", ""},
        {"Maturità € ∑ 😀", "Maturità € ∑ 😀"},
        {"\x1b[31m5193\x1b[0m", "\\x1b[31m5193\\x1b[0m"},
        {std::string("a\0b", 3), "a\\x00b"},
        {"\t\n\r\x7f", "\\x09\\x0a\\x0d\\x7f"},
        {"\xc2\x9b"
         "2J",
         "\\xc2\\x9b2J"},          // C1 control: the terminal's CSI
        {"\xc2\xa1", "\xc2\xa1"},  // the first visible one after C1
        // Pasted before a number, a non-breaking space or a byte-order mark would pass unseen;
        // a zero width, a direction turned around (U+202E), a tag character too.
        {"\xc2\xa0"
         "5193",
         "\\xc2\\xa05193"},
        {"\xef\xbb\xbf"
         "5193",
         "\\xef\\xbb\\xbf5193"},
        {"a\xe2\x80\x8b"
         "b\xe2\x80\xae"
         "c",
         "a\\xe2\\x80\\x8bb\\xe2\\x80\\xaec"},
        {"\xf3\xa0\x80\x81", "\\xf3\\xa0\\x80\\x81"},
        {"\xff\xfe", "\\xff\\xfe"},                    // bytes never in UTF-8
        {"ab\xc3", "ab\\xc3"},                         // a sequence cut by the end
        {"\xc3(", "\\xc3("},                           // a sequence cut by another character
        {"\xc0\xaf", "\\xc0\\xaf"},                    // an overlong "/"
        {"\xe0\x80\xaf", "\\xe0\\x80\\xaf"},           // an overlong "/" in three bytes
        {"\xed\xa0\x80", "\\xed\\xa0\\x80"},           // a surrogate
        {"\xf4\x90\x80\x80", "\\xf4\\x90\\x80\\x80"},  // past U+10FFFF
        {"\xf0\x9f\x98", "\\xf0\\x9f\\x98"},           // four bytes announced, three given
        {"a\\x0a\n", "a\\\\x0a\\x0a"},                 // a backslash written, a newline
    };
    for (const auto& [text, printable] : cases)
        EXPECT_EQ(PrintableText(text), printable) << printable;
}

// A value repeated in a message is cut after 256 bytes, before the character that would pass
// them, not within it.
TEST(EchoedText, ALongValueIsShownByItsStartWithoutCuttingACharacter) {
    const std::string digits(256, '5');
    EXPECT_EQ(EchoedText(digits), digits);
    EXPECT_EQ(EchoedText(digits + "5"), digits + "…");
    // "à" takes bytes 256 and 257: it goes whole or not at all.
    const std::string accented = std::string(255, 'a') + "\xc3\xa0" + "b";
    EXPECT_EQ(EchoedText(accented), std::string(255, 'a') + "…");
}

}  // namespace
}  // namespace velmaro
