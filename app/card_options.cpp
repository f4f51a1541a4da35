#include "app/card_options.h"

#include <unistd.h>

#include <algorithm>
#include <set>

#include <QCommandLineParser>
#include <QFileInfo>

#include "app/command_line.h"
#include "base/descriptor_name.h"
#include "ui/file_name_text.h"

namespace velmaro {

namespace {

// The message keeps the bytes of a file name it quotes, for the report to show them escaped.
Error UsageError(const QString& message) { return Error{"", FileNameBytes(message)}; }

std::optional<CardFormat> FormatNamed(const QString& name) {
    const QString lower = name.toLower();
    if (lower == QLatin1String("png")) return CardFormat::kPng;
    if (lower == QLatin1String("pdf")) return CardFormat::kPdf;
    if (lower == QLatin1String("svg")) return CardFormat::kSvg;
    if (lower == QLatin1String("ops")) return CardFormat::kOps;
    return std::nullopt;
}

}  // namespace

std::string CardHelpText() {
    return R"(Usage: velmaro card [options] [--] MATRICOLA...
       velmaro card [options] --all

Draws the career card of each MATRICOLA (an identification number, used
exactly as typed) the way the printed page shows it: "Arial" 10 points,
starting four text lines below the top of the printable area. No display is
needed.

Options:
  --data-dir DIR        Read the data files (elenco.dir, esami.dir,
                        velmara.dir, esami.grp, titoli.grp) from DIR.
  --format FORMAT       png, pdf, svg or ops. Default: from the extension of
                        the -o file (.png, .pdf, .svg, .ops); ops without -o
                        or with -o -.
                          png  an A4 page image; one MATRICOLA only.
                          pdf  an A4 document, one page per MATRICOLA found.
                          svg  an A4 drawing; one MATRICOLA only.
                          ops  a text recording of every drawing operation
                               in twips: 'card "<MATRICOLA>"' before each
                               card, then its 'text', 'line' and 'circle'
                               lines, or 'notfound'.
  -o, --output FILE     Write to FILE; - writes to standard output. Needed
                        for png, pdf and svg; without it the ops recording
                        goes to standard output.
  --from FILE           Read more numbers from FILE (- for standard input),
                        one per line, after those given as arguments. Each
                        line is used as typed, without its line end; empty
                        lines are skipped. UTF-8, or UTF-16 with its byte-
                        order mark; at most 1,000,000 lines or 64 MiB.
                        Repeated, each FILE in turn. Typed at a terminal,
                        the list ends with Ctrl+D at the start of a line (a
                        line on standard error says so). Not with --all.
  --today YYYY-MM-DD    The date taken as today (it ends the chart of a
                        student still enrolled at the latest). Default: the
                        system date.
  --metrics font|fixed  How text is measured for the ops recording. font
                        (default): the real "Arial" 10-point metrics. fixed:
                        every character 100 twips wide, every line 200 high,
                        for recordings that are the same on every machine.
                        With the ops format only.
  --dpi N               Resolution of the png image, in dots per inch
                        ()" +
           std::to_string(kMinCardDpi) + " to " + std::to_string(kMaxCardDpi) +
           R"(). Default: 150. With the png format only.
  --all                 Draw every student of the registry, in the order of
                        their numbers and each number once, instead of
                        giving numbers. A registry out of order can leave
                        some of them not found, and of a number several
                        records hold only one is drawn: 'velmaro check'
                        says which.
  --split DIR           Write one file per student into DIR, named by the
                        student's number in the registry: 5193.pdf, .png
                        or .svg (--format; default pdf). A missing DIR is
                        made, with the folders above it, for the first
                        card: a run that draws none makes none. Each file
                        appears whole or not at all; a student named
                        twice is drawn once, as first named.
  --jobs N              Draw --split files on N threads at once (1 to )" +
           std::to_string(kMaxCardJobs) + R"().
                        Default: one per processor core the process may
                        run on. Fewer draw at once where the memory left
                        to the process cannot hold N PNG pages. The
                        files are the same whatever N. Without --split,
                        a warning says it changes nothing.
  -q, --quiet           No progress report. Without it, a run of many cards
                        shows how far it has come on standard error, when
                        that is a terminal and the cards go elsewhere.
  --version             Show the version and exit.
  -h, --help            Show this text and exit.

Use -- before numbers that begin with "-", or to pass an empty MATRICOLA.
A PDF records the time it was made, or SOURCE_DATE_EPOCH (seconds since 1970)
when that is set: the same cards then give the same bytes. For PDF cards, a
value that is no such number is an error (status 2).
A missing esami.dir or velmara.dir reads as empty: each exam of a card is
drawn from an empty record (no date, no grade, the class and name of the
exam table's first line, or "*" alone when that line's class is 0), each
career year reads as empty, and a warning on standard error says so once.
A card too long or too wide for its A4 page (png, pdf, svg) is cut off at the
bottom or right edge of the printable area, and a warning on standard error
names its number and the edge.
Interrupted (Ctrl+C, SIGTERM, SIGHUP, or SIGPIPE: a reader gone), a run
stops after the cards in hand: the files in place stay whole, no file is half
written, an output file is left as it was (standard output, a pipe or a
device, written as the cards are drawn, ends where the run stopped); a second
Ctrl+C, SIGTERM or SIGHUP ends it at once.
The data folder is the first of: --data-dir; VELMARO_DATA_DIR; DataDir in
~/.config/Velmaro/velmaro.conf (or /etc/xdg/Velmaro/velmaro.conf); the folder
of the velmaro executable.

Exit status:
  0  every card was drawn.
  1  some MATRICOLA was not found ("Matricola NON Trovata: <MATRICOLA>" on
     standard error); with --all, some registry record has a key that is no
     number, which no MATRICOLA reaches, or a key other records hold too, of
     which a MATRICOLA finds one (a line for each says how many); the others
     were drawn.
  2  a usage error, a data file that is missing or unreadable (one line on
     standard error names the file and the reason), a record file written
     into while the cards were drawn (the cards drawn since are not kept),
     an output that cannot be written, or no font that draws the card's
     letters (for a PDF, no TrueType one): install fonts-liberation2.
)";
}

std::string_view FormatName(CardFormat format) {
    switch (format) {
        case CardFormat::kPng:
            return "png";
        case CardFormat::kSvg:
            return "svg";
        case CardFormat::kOps:
            return "ops";
        default:
            return "pdf";
    }
}

bool WritesToStandardOutput(const CardOptions& options) {
    return !options.output || *options.output == kStandardOutput;
}

Status CheckCardNumbers(const CardOptions& options) {
    if (options.all && !options.matricolas.empty()) {
        return Error{"", "give either --all or numbers, not both"};
    }
    if (options.matricolas.empty() && !options.all) {
        // Lists read, and nothing else given: the lists are what holds no number.
        if (options.fromFiles.size() == 1) {
            const std::string& list = options.fromFiles.front();
            return Error{"", "no MATRICOLA given: the --from list " +
                                 (list == kStandardInput ? "on standard input" : list) +
                                 " holds none"};
        }
        if (!options.fromFiles.empty()) {
            return Error{"", "no MATRICOLA given: the --from lists hold none"};
        }
        return Error{"", "no MATRICOLA given (or --all for every student)"};
    }
    const bool onePageFormat =
        options.format == CardFormat::kPng || options.format == CardFormat::kSvg;
    if (onePageFormat && !options.splitFolder && (options.all || options.matricolas.size() > 1)) {
        return Error{"",
                     "png and svg hold one card: give one MATRICOLA, use pdf for several, or "
                     "--split DIR for one file each"};
    }
    return Ok();
}

namespace {

// Every option of `velmaro card`, registered on one parser.
struct CardOptionNames {
    QCommandLineOption help{{QStringLiteral("h"), QStringLiteral("help")}, {}};
    QCommandLineOption version{QStringLiteral("version")};
    QCommandLineOption dataDir{QStringLiteral("data-dir"), {}, QStringLiteral("DIR")};
    QCommandLineOption format{QStringLiteral("format"), {}, QStringLiteral("FORMAT")};
    QCommandLineOption output{
        {QStringLiteral("o"), QStringLiteral("output")}, {}, QStringLiteral("FILE")};
    QCommandLineOption from{QStringLiteral("from"), {}, QStringLiteral("FILE")};
    QCommandLineOption today{QStringLiteral("today"), {}, QStringLiteral("DATE")};
    QCommandLineOption metrics{QStringLiteral("metrics"), {}, QStringLiteral("METRICS")};
    QCommandLineOption dpi{QStringLiteral("dpi"), {}, QStringLiteral("N")};
    QCommandLineOption all{QStringLiteral("all"), {}};
    QCommandLineOption split{QStringLiteral("split"), {}, QStringLiteral("DIR")};
    QCommandLineOption jobs{QStringLiteral("jobs"), {}, QStringLiteral("N")};
    QCommandLineOption quiet{{QStringLiteral("q"), QStringLiteral("quiet")}, {}};

    void AddTo(QCommandLineParser& parser) const {
        parser.addOptions({help, version, dataDir, format, output, from, today, metrics, dpi, all,
                           split, jobs, quiet});
    }
};

// Every value of option, in the order given, none of which may be empty.
Status ReadEveryNamed(const QCommandLineParser& parser, const QCommandLineOption& option,
                      const char* whatIsNeeded, std::vector<std::string>& values) {
    for (const QString& given : parser.values(option)) {
        if (given.isEmpty()) return UsageError(QString::fromLatin1(whatIsNeeded));
        values.push_back(FileNameBytes(given));
    }
    return Ok();
}

// The whole number of option, from low to high, into value when the option is given.
Status ReadWholeNumber(const QCommandLineParser& parser, const QCommandLineOption& option, int low,
                       int high, int& value) {
    if (!parser.isSet(option)) return Ok();
    bool isNumber = false;
    const int number = parser.value(option).toInt(&isNumber);
    if (!isNumber || number < low || number > high) {
        return UsageError(QStringLiteral("--%1 must be a whole number from %2 to %3, not '%4'")
                              .arg(option.names().front())
                              .arg(low)
                              .arg(high)
                              .arg(parser.value(option)));
    }
    value = number;
    return Ok();
}

// Where the numbers come from and where the cards go: --data-dir, --from, -o, --all,
// --quiet, --split and --jobs.
Status ReadSourcesAndTargets(const QCommandLineParser& parser, const CardOptionNames& names,
                             CardOptions& options) {
    VELMARO_TRY(
        ReadNamedOption(parser, names.dataDir, "--data-dir needs a folder", options.dataDir));
    VELMARO_TRY(ReadEveryNamed(parser, names.from, "--from needs a file name", options.fromFiles));
    VELMARO_TRY(ReadNamedOption(parser, names.output, "-o needs a file name", options.output));
    options.all = parser.isSet(names.all);
    // Refused before any list is read: a list that happened to be empty would pass.
    if (options.all && !options.fromFiles.empty()) {
        return UsageError(QStringLiteral("give either --all or --from, not both"));
    }
    // A second reading of one descriptor, by whatever name (-, /dev/stdin, /dev/fd/3), would find
    // the first one's end (or wait for another on a terminal).
    std::set<int> readDescriptors;
    for (const std::string& file : options.fromFiles) {
        const std::optional<int> descriptor =
            file == kStandardInput ? STDIN_FILENO : DescriptorNamed(file);
        if (!descriptor || readDescriptors.insert(*descriptor).second) continue;
        if (*descriptor == STDIN_FILENO) {
            return UsageError(QStringLiteral("--from - reads standard input once: give it once"));
        }
        return UsageError(QStringLiteral("--from %1 reads descriptor %2 once: give it once")
                              .arg(FileNameText(file))
                              .arg(*descriptor));
    }
    options.quiet = parser.isSet(names.quiet);
    VELMARO_TRY(
        ReadNamedOption(parser, names.split, "--split needs a folder", options.splitFolder));
    if (options.splitFolder && options.output) {
        return UsageError(QStringLiteral("--split writes one file per student: leave out -o"));
    }
    return ReadWholeNumber(parser, names.jobs, 1, kMaxCardJobs, options.jobs);
}

// The format: --format, else the extension of the -o file, else pdf for --split, else ops.
Status ReadFormat(const QCommandLineParser& parser, const CardOptionNames& names,
                  CardOptions& options) {
    if (parser.isSet(names.format)) {
        const auto named = FormatNamed(parser.value(names.format));
        if (!named) {
            return UsageError(QStringLiteral("--format must be png, pdf, svg or ops, not '%1'")
                                  .arg(parser.value(names.format)));
        }
        options.format = *named;
    } else if (options.output && *options.output != kStandardOutput) {
        const auto named = FormatNamed(QFileInfo(parser.value(names.output)).suffix());
        if (!named) {
            return UsageError(
                QStringLiteral("cannot tell the format from '%1': use --format png|pdf|svg|ops")
                    .arg(parser.value(names.output)));
        }
        options.format = *named;
    } else if (options.splitFolder) {
        options.format = CardFormat::kPdf;
    }
    if (options.splitFolder && options.format == CardFormat::kOps) {
        return UsageError(QStringLiteral("--split writes png, pdf or svg files, not ops"));
    }
    if (options.format != CardFormat::kOps && !options.output && !options.splitFolder) {
        return UsageError(QStringLiteral("png, pdf and svg need an output file (-o FILE)"));
    }
    return Ok();
}

// How the cards are drawn: --today, --metrics and --dpi, each checked against the format.
Status ReadDrawing(const QCommandLineParser& parser, const CardOptionNames& names,
                   CardOptions& options) {
    if (parser.isSet(names.today)) {
        VELMARO_TRY(options.today, ParseTodayOption(parser.value(names.today)));
    }
    if (parser.isSet(names.metrics)) {
        const QString name = parser.value(names.metrics);
        if (name == QLatin1String("font")) {
            options.metrics = CardMetrics::kFont;
        } else if (name == QLatin1String("fixed")) {
            options.metrics = CardMetrics::kFixed;
        } else {
            return UsageError(
                QStringLiteral("--metrics must be font or fixed, not '%1'").arg(name));
        }
        if (options.format != CardFormat::kOps && options.metrics == CardMetrics::kFixed) {
            return UsageError(QStringLiteral("--metrics fixed applies to the ops format only"));
        }
    }
    if (parser.isSet(names.dpi) && options.format != CardFormat::kPng) {
        return UsageError(QStringLiteral("--dpi applies to the png format only"));
    }
    return ReadWholeNumber(parser, names.dpi, kMinCardDpi, kMaxCardDpi, options.dotsPerInch);
}

}  // namespace

void AddCardOptions(QCommandLineParser& parser) { CardOptionNames().AddTo(parser); }

Result<CardOptions> ParseCardOptions(const QStringList& arguments) {
    QCommandLineParser parser;
    const CardOptionNames names;
    names.AddTo(parser);
    if (!parser.parse(arguments)) return UsageError(UsageErrorText(parser, arguments, true));

    CardOptions options;
    options.showHelp = parser.isSet(names.help);
    options.showVersion = !options.showHelp && parser.isSet(names.version);
    if (options.showHelp || options.showVersion) return options;

    VELMARO_TRY(
        RefuseRepeatedOptions(parser, {&names.dataDir, &names.format, &names.output, &names.today,
                                       &names.metrics, &names.dpi, &names.split, &names.jobs}));
    VELMARO_TRY(ReadSourcesAndTargets(parser, names, options));
    VELMARO_TRY(ReadFormat(parser, names, options));
    VELMARO_TRY(ReadDrawing(parser, names, options));
    for (const QString& typed : parser.positionalArguments())
        options.matricolas.push_back(Utf8Text(FileNameBytes(typed)));
    return options;
}

}  // namespace velmaro
