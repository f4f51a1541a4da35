// Texts echoed to the user (typed numbers, file names) with whatever they hold.

#include "base/printable_text.h"

#include <gtest/gtest.h>

namespace velmaro {
namespace {

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
         "\\xc2\\x9b2J"},                              // C1 control: the terminal's CSI
        {"\xc2\xa0", "\xc2\xa0"},                      // the first character after C1
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

}  // namespace
}  // namespace velmaro
