#include "tools/windows1252_encode.h"

#include <gtest/gtest.h>

#include "store/windows1252.h"

namespace velmaro::sample {
namespace {

TEST(EncodeWindows1252, ItalianLettersBecomeSingleBytesAndDecodeBack) {
    const std::string text = "Maturità, Università, Économie, perché, più, così";
    const auto bytes = EncodeWindows1252(text);
    ASSERT_TRUE(bytes.has_value());
    EXPECT_EQ(bytes->substr(0, 8), "Maturit\xE0");
    EXPECT_EQ(bytes->size(), CountUtf8Characters(text));
    EXPECT_EQ(DecodeWindows1252(*bytes), text);
}

TEST(EncodeWindows1252, RefusesWhatItCannotWriteFaithfully) {
    EXPECT_FALSE(EncodeWindows1252("\xE0").has_value());          // a bare Latin-1 byte
    EXPECT_FALSE(EncodeWindows1252("\xC3").has_value());          // a cut sequence
    EXPECT_FALSE(EncodeWindows1252("\xC2\x85").has_value());      // a C1 control
    EXPECT_FALSE(EncodeWindows1252("\xE2\x80\x94").has_value());  // a dash beyond U+00FF
}

}  // namespace
}  // namespace velmaro::sample
