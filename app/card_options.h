#pragma once

#include <QCommandLineParser>
#include <QStringList>

#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/result.h"

namespace velmaro {

// What `velmaro card` writes.
enum class CardFormat { kPng, kPdf, kSvg, kOps };

// The format's name as --format takes it and as its files end: "png", "pdf", "svg", "ops".
std::string_view FormatName(CardFormat format);

// Which font measures the text of an ops recording.
enum class CardMetrics { kFont, kFixed };

// The options of `velmaro card`, checked.
struct CardOptions {
    bool showHelp = false;
    bool showVersion = false;
    std::optional<std::string> dataDir;  // the folder of --data-dir, as given
    CardFormat format = CardFormat::kOps;
    std::optional<std::string> output;  // -o; kStandardOutput, or no -o for ops, is stdout
    std::vector<std::string>
        fromFiles;  // each --from in turn: a file of numbers, or kStandardInput
    std::optional<std::chrono::year_month_day> today;  // --today; the system date otherwise
    CardMetrics metrics = CardMetrics::kFont;
    int dotsPerInch = 150;
    std::vector<std::string> matricolas;  // UTF-8, exactly as typed
    bool all = false;  // --all: every student of the registry, in key order, each once
    std::optional<std::string> splitFolder;  // --split DIR: one file per student in DIR
    int jobs = 0;                            // --jobs N; 0: one per core
    bool quiet = false;                      // --quiet: no progress
};

inline constexpr int kMaxCardJobs = 256;

// The file name that stands for standard output (-o) or standard input (--from).
inline constexpr const char* kStandardOutput = "-";
inline constexpr const char* kStandardInput = "-";

inline constexpr int kMinCardDpi = 10;
inline constexpr int kMaxCardDpi = 600;

// Registers every option of `velmaro card` on parser.
void AddCardOptions(QCommandLineParser& parser);

// Parses the arguments that follow "card" (arguments[0] stands for the program and is
// skipped). A usage error comes back as an Error whose reason is the message for the user.
// With --help or --version, showHelp or showVersion is set and nothing else is checked. The
// numbers are checked by CheckCardNumbers, once those of --from are added.
Result<CardOptions> ParseCardOptions(const QStringList& arguments);

// A usage error when options holds no number and no --all, numbers as well as --all, or more
// than one card for a one-page format written to one file.
Status CheckCardNumbers(const CardOptions& options);

// True when the ops recording or the file of options goes to standard output.
bool WritesToStandardOutput(const CardOptions& options);

// The text that --help prints: every option, and the exit statuses.
std::string CardHelpText();

}  // namespace velmaro
