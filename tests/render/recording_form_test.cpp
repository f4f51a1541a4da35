// The form of the ops recording: how texts are quoted, and how strictly the suite compares a
// recording with an expected one.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "render/recording_surface.h"
#include "tests/support/ops_compare.h"

namespace velmaro {
namespace {

TEST(JsonString, EscapesWhatJsonRequiresAndPassesUtf8Through) {
    const std::pair<std::string, std::string> cases[] = {
        {"", R"("")"},
        {"5193", R"("5193")"},
        {"a\"b", R"("a\"b")"},
        {"a\\b", R"("a\\b")"},
        {"a/b", R"("a/b")"},
        {"\n\r\t\b\f", R"("\n\r\t\b\f")"},
        {std::string("\x00\x01\x1b\x1f", 4), R"("\u0000\u0001\u001b\u001f")"},
        {"\x7f", "\"\x7f\""},
        {"Citt\xC3\xA0 \xE2\x82\xAC", "\"Citt\xC3\xA0 \xE2\x82\xAC\""},
        {"Citt\xE0 \xC3", R"("Citt\\xe0 \\xc3")"},  // Latin-1, and UTF-8 cut short
    };
    for (const auto& [text, quoted] : cases)
        EXPECT_EQ(JsonString(text), quoted) << quoted;
}

TEST(CompareOps, KindsTextsAndNumberFormsExactValuesWithinAHundredth) {
    const std::string expected =
        "card \"5193\"\ntext 100.0 200.5 \"a\\\"b\"\n"
        "line 0.0 1.25 700.0 2.0\ncircle 700.0 2443.75 30 filled\n";
    // expected with its line number line (from 0) replaced.
    const auto withLine = [&](int line, const std::string& replacement) {
        std::size_t start = 0;
        for (int i = 0; i < line; ++i)
            start = expected.find('\n', start) + 1;
        return expected.substr(0, start) + replacement +
               expected.substr(expected.find('\n', start));
    };
    EXPECT_THAT(testing::CompareOps(expected, expected), ::testing::IsEmpty());
    // Values may differ in their last digits when each is written in its shortest form.
    EXPECT_THAT(
        testing::CompareOps(withLine(1, "text 100.00000000000001 200.5 \"a\\\"b\""), expected),
        ::testing::IsEmpty());
    EXPECT_THAT(testing::CompareOps(withLine(2, "line 0.0 1.2549999999 700.0 2.0"), expected),
                ::testing::IsEmpty());
    for (const auto& [line, wrong] : std::vector<std::pair<int, std::string>>{
             {0, "card 5193"},                         // not a JSON string
             {0, "card \"5193\" "},                    // a trailing blank
             {1, "text 100.0 200.5 \"a\"b\""},         // an unescaped quote
             {1, "text 100.0 200.5 \"a\\\"B\""},       // another text
             {1, "text 100 200.5 \"a\\\"b\""},         // a whole coordinate without .0
             {1, "text 100.0 200.50 \"a\\\"b\""},      // a digit too many
             {1, "text 100.0 2.005e2 \"a\\\"b\""},     // scientific notation
             {1, "text 100.0  200.5 \"a\\\"b\""},      // two blanks
             {1, "text 100.0 200.52 \"a\\\"b\""},      // a value 0.02 away
             {2, "line 0.0 1.25 700.0"},               // a field missing
             {2, "circle 0.0 1.25 700.0 2.0"},         // another kind
             {3, "circle 700.0 2443.75 30.0 filled"},  // a radius with .0
             {3, "circle 700.0 2443.75 30 outline"},   // another fill
             {3, "circle 700.0 2443.75 30 solid"}}) {  // no fill
        EXPECT_THAT(testing::CompareOps(withLine(line, wrong), expected), ::testing::SizeIs(1))
            << wrong;
    }
    // The expected recording is held to the same form.
    EXPECT_THAT(testing::CompareOps(expected, withLine(3, "circle 700.0 2443.75 30.0 filled")),
                ::testing::SizeIs(1));
}

}  // namespace
}  // namespace velmaro
