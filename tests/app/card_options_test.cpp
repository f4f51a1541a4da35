// The options of `velmaro card`: what each means, and the usage errors.

#include <gtest/gtest.h>

#include "app/card_options.h"

namespace velmaro {
namespace {

using std::chrono::year;

Result<CardOptions> Parse(QStringList arguments) {
    arguments.prepend(QStringLiteral("velmaro card"));
    return ParseCardOptions(arguments);
}

TEST(CardOptions, FormatComesFromTheOptionThenTheOutputsExtensionThenOps) {
    struct Case {
        QStringList arguments;
        CardFormat format;
    };
    const Case cases[] = {
        {{"268"}, CardFormat::kOps},
        {{"-o", "card.png", "268"}, CardFormat::kPng},
        {{"--output=Cards.PDF", "268"}, CardFormat::kPdf},
        {{"-o", "card.svg", "268"}, CardFormat::kSvg},
        {{"-o", "card.ops", "268"}, CardFormat::kOps},
        {{"--format", "pdf", "-o", "card.out", "268"}, CardFormat::kPdf},
        {{"--format", "ops", "-o", "card.png", "268"}, CardFormat::kOps},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments.join(' ').toStdString());
        const auto options = Parse(c.arguments);
        ASSERT_TRUE(options.ok()) << options.error().reason;
        EXPECT_EQ(options->format, c.format);
    }
}

TEST(CardOptions, NumbersPassThroughExactlyAsTyped) {
    const auto options = Parse({"--", "", "843 ", "-5", "5193\xC3\xA9", "--today"});
    ASSERT_TRUE(options.ok()) << options.error().reason;
    EXPECT_EQ(options->matricolas,
              (std::vector<std::string>{"", "843 ", "-5", "5193\xC3\xA9", "--today"}));
}

TEST(CardOptions, ValuesAreRead) {
    const auto options =
        Parse({"--data-dir", "/data", "--today", "2024-02-29", "--metrics", "fixed", "268", "460"});
    ASSERT_TRUE(options.ok()) << options.error().reason;
    EXPECT_EQ(options->dataDir, "/data");
    EXPECT_EQ(options->today, year{2024} / 2 / 29);
    EXPECT_EQ(options->metrics, CardMetrics::kFixed);
    EXPECT_EQ(options->output, std::nullopt);
    EXPECT_EQ(options->dotsPerInch, 150);

    const auto png = Parse({"-o", "x.png", "--dpi", "300", "268"});
    ASSERT_TRUE(png.ok()) << png.error().reason;
    EXPECT_EQ(png->dotsPerInch, 300);
    EXPECT_EQ(png->metrics, CardMetrics::kFont);
    EXPECT_EQ(png->today, std::nullopt);
}

TEST(CardOptions, HelpNeedsNothingElse) {
    const auto options = Parse({"--help"});
    ASSERT_TRUE(options.ok());
    EXPECT_TRUE(options->showHelp);
    EXPECT_TRUE(Parse({"-h"})->showHelp);
}

TEST(CardOptions, UsageErrorsSayWhatIsWrong) {
    struct Case {
        QStringList arguments;
        const char* complaint;  // a piece of the message
    };
    const Case cases[] = {
        {{}, "MATRICOLA"},
        {{"--format", "bmp", "268"}, "bmp"},
        {{"-o", "card.txt", "268"}, "card.txt"},
        {{"-o", "card", "268"}, "card"},
        {{"--format", "png", "268"}, "-o"},
        {{"--today", "2025-02-29", "268"}, "2025-02-29"},
        {{"--today", "2025-1-05", "268"}, "YYYY-MM-DD"},
        {{"--metrics", "wide", "268"}, "wide"},
        {{"-o", "x.pdf", "--metrics", "fixed", "268"}, "ops"},
        {{"-o", "x.png", "--dpi", "9", "268"}, "--dpi"},
        {{"-o", "x.png", "--dpi", "601", "268"}, "--dpi"},
        {{"-o", "x.png", "--dpi", "1.5", "268"}, "--dpi"},
        {{"-o", "x.pdf", "--dpi", "300", "268"}, "png"},
        {{"-o", "x.png", "268", "460"}, "one"},
        {{"-o", "x.svg", "268", "460"}, "one"},
        {{"--bogus", "268"}, "bogus"},
        {{"-5"}, "5"},
        {{"-o"}, "o"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments.join(' ').toStdString());
        const auto options = Parse(c.arguments);
        ASSERT_FALSE(options.ok());
        EXPECT_NE(options.error().reason.find(c.complaint), std::string::npos)
            << options.error().reason;
    }
}

TEST(CardOptions, IsoDatesMustNameRealDays) {
    EXPECT_EQ(ParseIsoDate("2025-10-20"), year{2025} / 10 / 20);
    EXPECT_EQ(ParseIsoDate("2000-02-29"), year{2000} / 2 / 29);
    for (const char* text : {"1900-02-29", "2025-13-01", "2025-00-10", "2025-04-31", "2025-10-2",
                             "2025/10/20", "2025-10-20 ", " 2025-10-20", "", "+025-10-20"}) {
        EXPECT_EQ(ParseIsoDate(text), std::nullopt) << text;
    }
}

}  // namespace
}  // namespace velmaro
