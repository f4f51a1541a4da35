// The numbers of --from: one per line, as typed. A list that cannot be read is tested end to end
// (CommandLine.FromReadsNumbersAfterTheArgumentsFromAFileOrStandardInput).

#include "app/number_lines.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

namespace velmaro {
namespace {

// text in UTF-16 after its byte-order mark, little-endian or not.
std::string Utf16(std::u16string_view text, bool littleEndian) {
    std::string bytes = littleEndian ? "\xFF\xFE" : "\xFE\xFF";
    for (const char16_t unit : text) {
        const char low = static_cast<char>(unit & 0xFF), high = static_cast<char>(unit >> 8);
        bytes += littleEndian ? std::string{low, high} : std::string{high, low};
    }
    return bytes;
}

TEST(NumberLines, EachLineAsTypedWithoutItsEndEmptyLinesSkipped) {
    struct Case {
        std::string text;
        std::vector<std::string> numbers;
    };
    const std::vector<Case> cases{
        {"", {}},
        {"5193\r\n847\r\n", {"5193", "847"}},
        {"\n\n5193\n\r\n\n847", {"5193", "847"}},
        // Blanks, signs and leading zeros belong to the number as typed.
        {" 5193 \n-5\n05193\n\t\n", {" 5193 ", "-5", "05193", "\t"}},
        // A CR alone ends a line too: a list saved with CR line ends is as many numbers, not
        // one number holding the others.
        {"5193\r50\r9975\r", {"5193", "50", "9975"}},
        {"5193\r\r\n12\r3\n", {"5193", "12", "3"}},
        // UTF-8 as it stands; a byte that cannot be UTF-8 becomes U+FFFD.
        {"51\xff"
         "93\n\xc3\xa8\n",
         {"51\xef\xbf\xbd"
          "93",
          "\xc3\xa8"}},
        // UTF-16 with its byte-order mark (Notepad's "Unicode"), either byte order.
        {Utf16(u"5193\r\n\u00e8", true), {"5193", "\xc3\xa8"}},
        {Utf16(u"84\n7", false), {"84", "7"}},
        // UTF-8 after its byte-order mark (Notepad's "UTF-8 with BOM"): the mark is no text,
        // so a first line of it alone is an empty line, not a number.
        {"\xEF\xBB\xBF"
         "5193\n",
         {"5193"}},
        {"\xEF\xBB\xBF"
         "\r\n5193",
         {"5193"}},
        // Such lists joined (cat a.txt b.txt) put a mark at a line's start: dropped there too;
        // within a number it is kept, to be shown escaped as the number not found.
        {"5193\n\xEF\xBB\xBF"
         "50\n51\xEF\xBB\xBF"
         "93",
         {"5193", "50",
          "51\xEF\xBB\xBF"
          "93"}},
        // Half a character at the end is no character: U+FFFD, not dropped.
        {Utf16(u"5", true) + "1", {"5\xef\xbf\xbd"}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(NumberLines(c.text), c.numbers) << testing::PrintToString(c.text);
}

}  // namespace
}  // namespace velmaro
