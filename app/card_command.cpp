#include "app/card_command.h"

#include <QByteArray>
#include <QGuiApplication>
#include <QStringList>
#include <QtGlobal>

#include <chrono>
#include <clocale>
#include <ctime>
#include <fstream>
#include <iostream>
#include <memory>
#include <string>

#include "app/card_options.h"
#include "app/card_sinks.h"
#include "lookup/lookup_student.h"
#include "render/render_card.h"
#include "render/text_metrics.h"
#include "store/data_store.h"
#include "ui/qt_text_metrics.h"

namespace velmaro {

namespace {

constexpr int kAllDrawn = 0;
constexpr int kSomeNotFound = 1;
constexpr int kFailed = 2;

// The decimal separator of the environment's LC_NUMERIC, which Qt has made the C library's
// locale. Numeric formatting then goes back to "C", so that nothing but the two averages
// (the ops coordinates in particular) depends on the user's locale.
std::string TakeLocaleDecimalSeparator() {
    const std::lconv* conventions = std::localeconv();
    std::string separator = ".";
    if (conventions != nullptr && conventions->decimal_point != nullptr &&
        conventions->decimal_point[0] != '\0') {
        separator = conventions->decimal_point;
    }
    std::setlocale(LC_NUMERIC, "C");
    return separator;
}

// Qt's own diagnostics (the offscreen platform's note about XDG_RUNTIME_DIR, say) are not
// for the user of this command, whose errors are reported one line each; only Qt's critical
// and fatal messages still reach standard error.
void QuietQtMessages(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtCriticalMsg || type == QtFatalMsg) {
        std::cerr << "velmaro: " << message.toStdString() << '\n';
    }
}

// Today's date on the local calendar.
std::chrono::year_month_day SystemToday() {
    const std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
    std::tm local{};
    localtime_r(&now, &local);
    return std::chrono::year_month_day{std::chrono::year(local.tm_year + 1900),
                                       std::chrono::month(static_cast<unsigned>(local.tm_mon + 1)),
                                       std::chrono::day(static_cast<unsigned>(local.tm_mday))};
}

// The arguments after "card", as QStrings (UTF-8), behind a stand-in program name.
QStringList CardArguments(int argc, char* argv[]) {
    QStringList arguments{QStringLiteral("velmaro card")};
    for (int i = 2; i < argc; ++i)
        arguments << QString::fromUtf8(argv[i]);
    return arguments;
}

void ReportError(const Error& error) { std::cerr << "velmaro: " << error.Message() << '\n'; }

// Looks up and draws every number of options into sink, reporting on std::cerr what is not
// found or cannot be read. Returns the exit status.
int DrawCards(const CardOptions& options, const DataStore& store, CardSink& sink,
              const std::chrono::year_month_day& today, const std::string& decimalSeparator) {
    int status = kAllDrawn;
    for (const std::string& typed : options.matricolas) {
        sink.BeginCard(typed);
        const Result<LookupOutcome> outcome = LookupStudent(store, typed);
        if (!outcome) {
            // The file went missing or unreadable: no card for this number, the others go on.
            ReportError(outcome.error());
            status = kFailed;
            continue;
        }
        if (!outcome->student) {
            sink.NotFound();
            std::cerr << "Matricola NON Trovata: " << typed << '\n';
            if (status == kAllDrawn) status = kSomeNotFound;
            continue;
        }
        const CardInput input{*outcome->student, store.Titles(), store.Exams(), today,
                              decimalSeparator};
        if (Status drawn = sink.DrawCard(input); !drawn) {
            ReportError(drawn.error());
            return kFailed;
        }
    }
    if (Status finished = sink.Finish(); !finished) {
        ReportError(finished.error());
        return kFailed;
    }
    return status;
}

}  // namespace

int RunCardCommand(int argc, char* argv[]) {
    // Cards are drawn off screen: the verb must work without any display, whatever the
    // environment asks for.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler(QuietQtMessages);
    // Qt sees only the program name: the card's own arguments (an empty number, "-5" after
    // "--", ...) must not be taken for Qt's options.
    int qtArgc = 1;
    char* qtArgv[] = {argv[0], nullptr};
    const QGuiApplication application(qtArgc, qtArgv);
    const std::string decimalSeparator = TakeLocaleDecimalSeparator();

    const Result<CardOptions> options = ParseCardOptions(CardArguments(argc, argv));
    if (!options) {
        std::cerr << "velmaro card: " << options.error().reason
                  << "\nTry 'velmaro card --help' for more information.\n";
        return kFailed;
    }
    if (options->showHelp) {
        std::cout << CardHelpText();
        return kAllDrawn;
    }

    const std::string dataDir =
        options->dataDir ? DataDirOf(*options->dataDir) : ExecutableDataDir();
    const Result<DataStore> store = DataStore::LoadTables(dataDir);
    if (!store) {
        ReportError(store.error());
        return kFailed;
    }
    const std::chrono::year_month_day today = options->today.value_or(SystemToday());

    if (options->format != CardFormat::kOps) {
        const std::unique_ptr<CardSink> sink = MakeFileSink(*options);
        return DrawCards(*options, *store, *sink, today, decimalSeparator);
    }

    std::unique_ptr<TextMetrics> metrics;
    if (options->metrics == CardMetrics::kFixed) {
        metrics = std::make_unique<FixedMetrics>();
    } else {
        // The PDF's resolution: a recording measured so matches the PDF page exactly.
        metrics = std::make_unique<QtTextMetrics>(
            QtTextMetrics::AtResolution(CardPrinterFont(), kTwipResolution));
    }
    std::ofstream file;
    if (options->output) {
        file.open(*options->output, std::ios::binary | std::ios::trunc);
        if (!file) {
            ReportError(Error{*options->output, "cannot be opened for writing"});
            return kFailed;
        }
    }
    std::ostream& out = options->output ? static_cast<std::ostream&>(file) : std::cout;
    const std::unique_ptr<CardSink> sink =
        MakeOpsSink(out, options->output.value_or("standard output"), *metrics);
    return DrawCards(*options, *store, *sink, today, decimalSeparator);
}

}  // namespace velmaro
