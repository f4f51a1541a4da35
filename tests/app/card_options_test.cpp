// The options of `velmaro card`, parsed in-process: every usage error with its message, and
// the boundaries of the accepted values.

#include "app/card_options.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace velmaro {
namespace {

// The options as the command checks them: parsed, then (unless help was asked) the numbers.
Result<CardOptions> Parse(const QStringList& arguments) {
    Result<CardOptions> parsed = ParseCardOptions(QStringList{"velmaro card"} << arguments);
    if (!parsed || parsed->showHelp) return parsed;
    if (Status counted = CheckCardNumbers(*parsed); !counted) return counted.error();
    return parsed;
}

TEST(CardOptions, EveryUsageErrorSaysWhatIsWrong) {
    const std::string oneCard =
        "png and svg hold one card: give one MATRICOLA, use pdf for "
        "several, or --split DIR for one file each";
    const auto badDate = [](const std::string& date) {
        return "--today must be a date written YYYY-MM-DD, not '" + date + "'";
    };
    const auto badDpi = [](const std::string& dpi) {
        return "--dpi must be a whole number from 10 to 600, not '" + dpi + "'";
    };
    const std::vector<std::pair<QStringList, std::string>> cases = {
        {{}, "no MATRICOLA given (or --all for every student)"},
        // (Parsed here, the lists are not read: as lists holding no number.)
        {{"--from", "list.txt"}, "no MATRICOLA given: the --from list list.txt holds none"},
        {{"--from", "-"}, "no MATRICOLA given: the --from list on standard input holds none"},
        {{"--from", "a", "--from", "b"}, "no MATRICOLA given: the --from lists hold none"},
        {{"--bogus", "5193"}, "unknown option '--bogus'"},
        {{"-5193"}, "unknown option '-5': put -- before a number that begins with '-'"},
        {{"-x", "5193"}, "unknown option '-x'"},
        // Named as typed: a letter or digit after two dashes is no short option.
        {{"--x", "5193"}, "unknown option '--x'"},
        {{"--5=1", "5193"}, "unknown option '--5'"},
        {{"-x", "--", "--x"}, "unknown option '-x'"},
        {{"-o", "", "5193"}, "-o needs a file name"},
        {{"-o", "a.pdf", "--output=b.pdf", "5193"}, "-o given more than once: give it once"},
        {{"--split", "a", "--split", "b", "5193"}, "--split given more than once: give it once"},
        {{"--today", "2025-01-05", "--today=2025-01-06", "5193"},
         "--today given more than once: give it once"},
        {{"--format", "bmp", "5193"}, "--format must be png, pdf, svg or ops, not 'bmp'"},
        {{"-o", "card.txt", "5193"},
         "cannot tell the format from 'card.txt': use --format png|pdf|svg|ops"},
        {{"--format", "png", "5193"}, "png, pdf and svg need an output file (-o FILE)"},
        {{"--format", "pdf", "5193"}, "png, pdf and svg need an output file (-o FILE)"},
        {{"--today", "2023-02-29", "5193"}, "--today 2023-02-29 is no day of the calendar"},
        {{"--today", "2025-1-05", "5193"}, badDate("2025-1-05")},
        {{"--today", "2025/01/05", "5193"}, badDate("2025/01/05")},
        {{"--metrics", "wide", "5193"}, "--metrics must be font or fixed, not 'wide'"},
        {{"-o", "c.pdf", "--metrics", "fixed", "5193"},
         "--metrics fixed applies to the ops format only"},
        {{"--dpi", "150", "5193"}, "--dpi applies to the png format only"},
        {{"-o", "c.svg", "--dpi", "150", "5193"}, "--dpi applies to the png format only"},
        {{"-o", "c.png", "--dpi", "9", "5193"}, badDpi("9")},
        {{"-o", "c.png", "--dpi", "601", "5193"}, badDpi("601")},
        {{"-o", "c.png", "--dpi", "1.5", "5193"}, badDpi("1.5")},
        {{"-o", "c.png", "5193", "847"}, oneCard},
        {{"-o", "c.svg", "5193", "847"}, oneCard},
        // The batch options.
        {{"--all", "5193"}, "give either --all or numbers, not both"},
        {{"--all", "--from", "list.txt"}, "give either --all or --from, not both"},
        {{"--from", "list.txt", "--from", "", "5193"}, "--from needs a file name"},
        {{"--from", "-", "--from", "list.txt", "--from", "-"},
         "--from - reads standard input once: give it once"},
        {{"--from", "/dev/stdin", "--from", "-"},
         "--from - reads standard input once: give it once"},
        {{"--from", "/dev/fd/3", "--from", "/proc/self/fd/3"},
         "--from /proc/self/fd/3 reads descriptor 3 once: give it once"},
        {{"--split", "d", "-o", "x.pdf", "5193"},
         "--split writes one file per student: leave out -o"},
        {{"--split", "d", "--format=ops", "5193"}, "--split writes png, pdf or svg files, not ops"},
        {{"--jobs", "0", "--split", "d", "5193"},
         "--jobs must be a whole number from 1 to 256, not '0'"},
        {{"--all", "-o", "x.png"}, oneCard},
    };
    for (const auto& [arguments, message] : cases) {
        SCOPED_TRACE(arguments.join(' ').toStdString());
        const Result<CardOptions> parsed = Parse(arguments);
        ASSERT_FALSE(parsed.ok());
        EXPECT_EQ(parsed.error().reason, message);
        EXPECT_EQ(parsed.error().file, "");
    }
}

TEST(CardOptions, AcceptedValuesUpToTheirBoundaries) {
    struct Case {
        QStringList arguments;
        CardFormat format;
        int dotsPerInch;
        std::vector<std::string> matricolas;
    };
    const std::vector<Case> cases = {
        {{"5193"}, CardFormat::kOps, 150, {"5193"}},
        {{"-o", "c.png", "--dpi", "10", "1"}, CardFormat::kPng, 10, {"1"}},
        {{"-o", "c.png", "--dpi=600", "1"}, CardFormat::kPng, 600, {"1"}},
        {{"-o", "C.PDF", "1", "2", "3"}, CardFormat::kPdf, 150, {"1", "2", "3"}},
        {{"-o", "c.png", "--format", "ops", "1", "2"}, CardFormat::kOps, 150, {"1", "2"}},
        {{"--format", "SVG", "-o", "c", "1"}, CardFormat::kSvg, 150, {"1"}},
        {{"--", "-5", "", "05193 "}, CardFormat::kOps, 150, {"-5", "", "05193 "}},
    };
    for (const Case& c : cases) {
        const Result<CardOptions> parsed = Parse(c.arguments);
        ASSERT_TRUE(parsed.ok()) << c.arguments.join(' ').toStdString() << ": "
                                 << parsed.error().reason;
        EXPECT_EQ(parsed->format, c.format);
        EXPECT_EQ(parsed->dotsPerInch, c.dotsPerInch);
        EXPECT_EQ(parsed->matricolas, c.matricolas);
    }
    const auto fixed =
        Parse({"--metrics", "fixed", "--today", "2024-02-29", "--data-dir", "d", "1"});
    ASSERT_TRUE(fixed.ok());
    EXPECT_EQ(fixed->metrics, CardMetrics::kFixed);
    EXPECT_EQ(fixed->today, std::chrono::year{2024} / 2 / 29);
    EXPECT_EQ(fixed->dataDir, "d");
    EXPECT_FALSE(fixed->output);
    // --help wins over everything else, even errors.
    EXPECT_TRUE(Parse({"--dpi", "0", "--help"})->showHelp);
}

}  // namespace
}  // namespace velmaro
