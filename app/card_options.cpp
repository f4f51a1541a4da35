#include "app/card_options.h"

#include <QCommandLineParser>
#include <QFileInfo>

#include <cctype>

namespace velmaro {

namespace {

Error UsageError(const QString& message) { return Error{"", message.toStdString()}; }

std::optional<CardFormat> FormatNamed(const QString& name) {
    const QString lower = name.toLower();
    if (lower == QLatin1String("png")) return CardFormat::kPng;
    if (lower == QLatin1String("pdf")) return CardFormat::kPdf;
    if (lower == QLatin1String("svg")) return CardFormat::kSvg;
    if (lower == QLatin1String("ops")) return CardFormat::kOps;
    return std::nullopt;
}

}  // namespace

std::optional<std::chrono::year_month_day> ParseIsoDate(std::string_view text) {
    if (text.size() != 10 || text[4] != '-' || text[7] != '-') return std::nullopt;
    auto number = [&](std::size_t from, std::size_t length) -> std::optional<int> {
        int value = 0;
        for (std::size_t i = from; i < from + length; ++i) {
            if (!std::isdigit(static_cast<unsigned char>(text[i]))) return std::nullopt;
            value = value * 10 + (text[i] - '0');
        }
        return value;
    };
    const auto year = number(0, 4);
    const auto month = number(5, 2);
    const auto day = number(8, 2);
    if (!year || !month || !day) return std::nullopt;
    const std::chrono::year_month_day date{std::chrono::year(*year),
                                           std::chrono::month(static_cast<unsigned>(*month)),
                                           std::chrono::day(static_cast<unsigned>(*day))};
    if (!date.ok()) return std::nullopt;
    return date;
}

std::string CardHelpText() {
    return R"(Usage: velmaro card [options] [--] MATRICOLA...

Draws the career card of each MATRICOLA (an identification number, used exactly as typed)
the way the printed page shows it: "Arial" 10 points, starting four text lines below the top
of the printable area. No display is needed.

Options:
  --data-dir DIR         Read the data files (elenco.dir, esami.dir, velmara.dir, esami.grp,
                         titoli.grp) from DIR. Default: the folder of the velmaro executable.
  --format FORMAT        png, pdf, svg or ops. Default: taken from the extension of the -o
                         file (.png, .pdf, .svg, .ops); ops when there is no -o.
                           png  an A4 page image; one MATRICOLA only.
                           pdf  an A4 PDF document, one page per MATRICOLA that is found.
                           svg  an A4 SVG drawing; one MATRICOLA only.
                           ops  a text recording of every drawing operation, coordinates in
                                twips: 'card "<MATRICOLA>"' before each card, then its
                                'text', 'line' and 'circle' lines, or 'notfound'.
  -o, --output FILE      Write to FILE. Required for png, pdf and svg; without it the ops
                         recording goes to standard output.
  --today YYYY-MM-DD     The date taken as today (it ends the chart of a student still
                         enrolled). Default: the system date.
  --metrics font|fixed   How text is measured for the ops recording. font (default): the
                         real "Arial" 10-point metrics. fixed: a synthetic font for
                         reproducible recordings, every character 100 twips wide, every line
                         200 twips high, print columns 100 twips wide. png, pdf and svg
                         always use the real font.
  --dpi N                Resolution of the png image, in dots per inch ()" +
           std::to_string(kMinCardDpi) + " to " + std::to_string(kMaxCardDpi) +
           R"(). Default: 150.
  -h, --help             Show this text.

Use -- before numbers that begin with "-", or to pass an empty MATRICOLA.
A card's page has half-inch margins, like a printer's unprintable border.

Exit status:
  0  every card was drawn.
  1  some MATRICOLA was not found ("Matricola NON Trovata: <MATRICOLA>" on standard error);
     the others were drawn.
  2  a usage error, a data file that is missing or unreadable (one line on standard error
     names the file and the reason), or an output file that cannot be written.
)";
}

Result<CardOptions> ParseCardOptions(const QStringList& arguments) {
    QCommandLineParser parser;
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")}, {});
    const QCommandLineOption dataDir(QStringLiteral("data-dir"), {}, QStringLiteral("DIR"));
    const QCommandLineOption format(QStringLiteral("format"), {}, QStringLiteral("FORMAT"));
    const QCommandLineOption output({QStringLiteral("o"), QStringLiteral("output")}, {},
                                    QStringLiteral("FILE"));
    const QCommandLineOption today(QStringLiteral("today"), {}, QStringLiteral("DATE"));
    const QCommandLineOption metrics(QStringLiteral("metrics"), {}, QStringLiteral("METRICS"));
    const QCommandLineOption dpi(QStringLiteral("dpi"), {}, QStringLiteral("N"));
    parser.addOptions({help, dataDir, format, output, today, metrics, dpi});

    if (!parser.parse(arguments)) return UsageError(parser.errorText());

    CardOptions options;
    if (parser.isSet(help)) {
        options.showHelp = true;
        return options;
    }
    if (parser.isSet(dataDir)) options.dataDir = parser.value(dataDir).toStdString();
    if (parser.isSet(output)) {
        options.output = parser.value(output).toStdString();
        if (options.output->empty()) return UsageError(QStringLiteral("-o needs a file name"));
    }

    if (parser.isSet(format)) {
        const auto named = FormatNamed(parser.value(format));
        if (!named) {
            return UsageError(QStringLiteral("--format must be png, pdf, svg or ops, not '%1'")
                                  .arg(parser.value(format)));
        }
        options.format = *named;
    } else if (options.output) {
        const QString suffix = QFileInfo(parser.value(output)).suffix();
        const auto named = FormatNamed(suffix);
        if (!named) {
            return UsageError(
                QStringLiteral("cannot tell the format from '%1': use --format png|pdf|svg|ops")
                    .arg(parser.value(output)));
        }
        options.format = *named;
    }
    const bool drawsPages = options.format != CardFormat::kOps;
    if (drawsPages && !options.output) {
        return UsageError(QStringLiteral("png, pdf and svg need an output file (-o FILE)"));
    }

    if (parser.isSet(today)) {
        options.today = ParseIsoDate(parser.value(today).toStdString());
        if (!options.today) {
            return UsageError(QStringLiteral("--today must be a date written YYYY-MM-DD, not '%1'")
                                  .arg(parser.value(today)));
        }
    }

    if (parser.isSet(metrics)) {
        const QString name = parser.value(metrics);
        if (name == QLatin1String("font")) {
            options.metrics = CardMetrics::kFont;
        } else if (name == QLatin1String("fixed")) {
            options.metrics = CardMetrics::kFixed;
        } else {
            return UsageError(
                QStringLiteral("--metrics must be font or fixed, not '%1'").arg(name));
        }
        if (drawsPages && options.metrics == CardMetrics::kFixed) {
            return UsageError(QStringLiteral("--metrics fixed applies to the ops format only"));
        }
    }

    if (parser.isSet(dpi)) {
        if (options.format != CardFormat::kPng) {
            return UsageError(QStringLiteral("--dpi applies to the png format only"));
        }
        bool isNumber = false;
        const int value = parser.value(dpi).toInt(&isNumber);
        if (!isNumber || value < kMinCardDpi || value > kMaxCardDpi) {
            return UsageError(QStringLiteral("--dpi must be a whole number from %1 to %2, not '%3'")
                                  .arg(kMinCardDpi)
                                  .arg(kMaxCardDpi)
                                  .arg(parser.value(dpi)));
        }
        options.dotsPerInch = value;
    }

    for (const QString& typed : parser.positionalArguments()) {
        options.matricolas.push_back(typed.toStdString());
    }
    if (options.matricolas.empty()) {
        return UsageError(QStringLiteral("no MATRICOLA given"));
    }
    const bool onePageFormat =
        options.format == CardFormat::kPng || options.format == CardFormat::kSvg;
    if (onePageFormat && options.matricolas.size() > 1) {
        return UsageError(
            QStringLiteral("png and svg hold one card: give one MATRICOLA, or use "
                           "pdf for several"));
    }
    return options;
}

}  // namespace velmaro
