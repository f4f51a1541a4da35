#include "app/card_command.h"

#include <QByteArray>
#include <QGuiApplication>
#include <QStringList>
#include <QtGlobal>

#include <fcntl.h>
#include <malloc.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <iostream>
#include <memory>
#include <optional>
#include <string>

#include "app/card_options.h"
#include "app/card_run.h"
#include "app/card_sinks.h"
#include "app/card_split.h"
#include "app/command_line.h"
#include "app/data_dir_settings.h"
#include "app/interruption.h"
#include "app/number_lines.h"
#include "app/split_folder.h"
#include "base/descriptor_name.h"
#include "base/followed_links.h"
#include "base/printable_text.h"
#include "base/stream_write.h"
#include "base/system_environment.h"
#include "render/text_metrics.h"
#include "store/data_file_guard.h"
#include "store/data_file_versions.h"
#include "store/data_store.h"
#include "ui/card_font_check.h"
#include "ui/file_name_text.h"
#include "ui/output_file.h"
#include "ui/pdf_creation_date.h"
#include "ui/qt_text_metrics.h"

namespace velmaro {

namespace {

constexpr int kHeapTopPad = 64 << 20;

// Qt's own diagnostics (the offscreen platform's note about XDG_RUNTIME_DIR, say) are not
// for the user of this command, whose errors are reported one line each; only Qt's critical
// and fatal messages still reach standard error, but for those about the user's runtime
// folder (XDG_RUNTIME_DIR left from another session), which no card needs: a run that
// succeeds says nothing, and a script run by cron mails nothing.
void QuietQtMessages(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (message.startsWith(QLatin1String("QStandardPaths: "))) return;
    if (type == QtCriticalMsg || type == QtFatalMsg) {
        std::cerr << "velmaro: " << PrintableText(message.toStdString()) << '\n';
    }
}

// A list read from the terminal is typed there, and nothing happens until it ends: say how to end
// it, lest the wait be taken for a hang. Said only where it is seen, on a terminal.
void SayHowATypedListEnds(const std::string& list) {
    const std::optional<int> descriptor =
        list == kStandardInput ? STDIN_FILENO : DescriptorNamed(list);
    if (!descriptor || ::isatty(*descriptor) != 1 || ::isatty(STDERR_FILENO) != 1) return;
    std::cerr << "velmaro: type the numbers, one per line; Ctrl+D at the start of a line ends "
                 "the list\n"
              << std::flush;
}

// Whether the cards go to a terminal: standard output for "-" (or no -o), else the descriptor
// that -o names (/dev/stdout, /dev/fd/1) or the device it leads to (/dev/tty, /dev/pts/0).
bool OutputIsTerminal(const CardOptions& options) {
    if (WritesToStandardOutput(options)) return ::isatty(STDOUT_FILENO) == 1;
    const Result<std::string> target = FollowLinks(*options.output);
    if (!target) return false;
    if (const std::optional<int> named = DescriptorNamed(*target)) return ::isatty(*named) == 1;
    struct stat info {};
    if (::stat(target->c_str(), &info) != 0 || !S_ISCHR(info.st_mode)) return false;
    // Opened without waiting and closed at once: a device that is no terminal takes nothing.
    const int device = ::open(target->c_str(), O_WRONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (device < 0) return false;
    const bool terminal = ::isatty(device) == 1;
    ::close(device);
    return terminal;
}

// A png or pdf card is no text: poured onto a terminal it shows as noise and may set the
// terminal's modes. Refused there, as the error to report; anything else takes it.
Status CheckNoTerminalTakes(const CardOptions& options) {
    if ((options.format != CardFormat::kPng && options.format != CardFormat::kPdf) ||
        !OutputIsTerminal(options)) {
        return Ok();
    }
    return Error{
        WritesToStandardOutput(options) ? std::string(kStandardOutputName) : *options.output,
        "a terminal, which cannot show a " + std::string(FormatName(options.format)) +
            " card: give -o FILE, or send it to a program (| lp)"};
}

// kCardsAllDrawn when the numbers given can be drawn together; else the usage error's status,
// the error said on standard error.
int CheckNumbersGiven(const CardOptions& options) {
    if (Status counted = CheckCardNumbers(options); !counted) {
        ReportUsageError(std::cerr, counted.error().reason, "velmaro card");
        return kUsageErrorStatus;
    }
    return kCardsAllDrawn;
}

// Adds the numbers of each --from list to options' and checks them as a whole: kCardsAllDrawn,
// or the status of a list that cannot be read or of numbers that cannot be drawn together, said
// on standard error.
int ReadNumberLists(CardOptions& options) {
    for (const std::string& list : options.fromFiles) {
        SayHowATypedListEnds(list);
        const Result<std::vector<std::string>> read = ReadNumbersFrom(list);
        if (!read) {
            ReportError(std::cerr, read.error());
            return kCardsFailed;
        }
        options.matricolas.insert(options.matricolas.end(), read->begin(), read->end());
    }
    return CheckNumbersGiven(options);
}

// Draws the cards of matricolas as options ask, into one file, standard output or a folder
// (made at its first card when makeSplitFolder).
int DrawEveryCard(const CardOptions& options, const std::vector<std::string>& matricolas,
                  DataStore& store, const DataDirChoice& dataDir, const RecordFilesWatch& watch,
                  std::chrono::year_month_day today, const std::string& decimalSeparator,
                  bool makeSplitFolder, Interruption& interruption) {
    interruption.Catch();
    const bool toStandardOutput = WritesToStandardOutput(options);
    const bool cardsOnErrorTerminal =
        !options.splitFolder &&
        CardsReachTerminalOf(STDERR_FILENO, STDOUT_FILENO,
                             toStandardOutput ? std::string() : *options.output);
    CardProgress progress(std::cerr, matricolas.size(),
                          ShowsProgress(options.quiet, STDERR_FILENO, cardsOnErrorTerminal),
                          std::chrono::steady_clock::now,
                          [] { return TerminalColumns(STDERR_FILENO); });

    if (options.splitFolder) {
        const SplitRequest request{*options.splitFolder, options.format, options.dotsPerInch,
                                   options.jobs > 0 ? options.jobs : UsableCores(),
                                   makeSplitFolder};
        return DrawSplitCards(matricolas, dataDir.dataDir, watch, request, today, decimalSeparator,
                              std::cerr, progress);
    }
    const bool ops = options.format == CardFormat::kOps;
    std::unique_ptr<TextMetrics> metrics;
    if (ops && options.metrics == CardMetrics::kFixed) {
        metrics = std::make_unique<FixedMetrics>();
    } else if (ops) {
        // The PDF's resolution: a recording measured so matches the PDF page exactly.
        metrics = std::make_unique<QtTextMetrics>(
            QtTextMetrics::AtResolution(CardPrinterFont(), kTwipResolution));
    }
    // The ops recording's file is opened now; a png, pdf or svg file by its sink, once a card
    // is drawn.
    std::unique_ptr<OutputFile> out;
    if (toStandardOutput) {
        out = StandardOutput();
    } else if (ops) {
        out = std::make_unique<OutputFile>(FileNameText(*options.output));
        if (Status opened = out->Open(); !opened) {
            // Interrupted while it waited for a FIFO's reader, the run ends by the signal alone.
            if (!Interruption::Requested()) ReportError(std::cerr, opened.error());
            return kCardsFailed;
        }
    }
    const std::unique_ptr<CardSink> sink = MakeWatchedSink(
        ops ? MakeOpsSink(*out, *metrics) : MakeFileSink(options, out.get()), watch);
    return DrawCards(matricolas, store, *sink, today, decimalSeparator, std::cerr, &progress);
}

// Everything the card command does, for options, once Qt is set up; interruption catches the
// signals once the numbers are read and the data loaded. When it returns, every output file is
// complete or discarded.
int DrawRequestedCards(CardOptions& options, Interruption& interruption) {
    const std::string decimalSeparator = TakeCardDecimalSeparator();
    // Numbers given as arguments alone are checked at once; lists are read last (below).
    if (options.fromFiles.empty()) {
        if (const int status = CheckNumbersGiven(options); status != kCardsAllDrawn) return status;
    }
    // Only the files of --split are drawn on several threads: a --jobs that changes nothing
    // is said, lest a run be taken for one on every core.
    if (options.jobs > 0 && !options.splitFolder) {
        std::cerr << "velmaro: warning: --jobs draws --split files only: these cards are drawn "
                     "one after the other\n";
    }
    // Without a usable font a card has lines and dots but not one letter.
    if (options.format != CardFormat::kOps || options.metrics != CardMetrics::kFixed) {
        if (const auto problem = CardFontProblem(options.format == CardFormat::kPdf)) {
            std::cerr << "velmaro: " << PrintableText(*problem) << "\n";
            return kCardsFailed;
        }
        if (const auto warning = CardFontSubstituteWarning()) {
            std::cerr << "velmaro: warning: " << PrintableText(*warning) << "\n";
        }
    }
    // Before any card is drawn, rather than when the first PDF is finished.
    if (options.format == CardFormat::kPdf) {
        if (const auto creationDate = ReproducibleCreationDate(); !creationDate) {
            ReportError(std::cerr, creationDate.error());
            return kCardsFailed;
        }
    }

    const Result<DataDirChoice> chosen = ChooseDataDir(CurrentDataDirSources(options.dataDir));
    if (!chosen) {
        ReportError(std::cerr, chosen.error());
        return kCardsFailed;
    }
    const DataDirChoice& dataDir = *chosen;
    // Before a record is read: no card goes in place once a record file was written into.
    const RecordFilesWatch watch(dataDir.dataDir);
    // A batch draws each student once: the runs it reads are not kept.
    Result<DataStore> store =
        DataStore::LoadTables(dataDir.dataDir, RecordFile::RunKeeping::kKeepNone);
    if (!store) {
        ReportError(std::cerr, WithDataDirOrigin(store.error(), dataDir));
        return kCardsFailed;
    }
    // No card may take a data file's place. (Standard output, where the shell may have opened
    // one, was looked at as the program started.)
    const Status refused = options.splitFolder || WritesToStandardOutput(options)
                               ? Ok()
                               : RefuseDataFile(dataDir.dataDir, *options.output);
    if (!refused) {
        ReportError(std::cerr, refused.error());
        return kCardsFailed;
    }
    // Where the cards go is looked at now, before a list is typed for them: a folder that is not
    // there or takes no files is said at once, not once the list is read and a card drawn. A
    // --split folder that can be made is made only for its first card: a run that draws none
    // (every number not found, a list refused, an interrupt) leaves no folder behind.
    Status placeTaken = Ok();
    bool makeSplitFolder = false;
    if (options.splitFolder) {
        const Result<bool> toMake = CheckSplitFolder(*options.splitFolder);
        if (toMake) {
            makeSplitFolder = *toMake;
        } else {
            placeTaken = toMake.error();
        }
    } else {
        placeTaken = CheckNoTerminalTakes(options);
        if (placeTaken && !WritesToStandardOutput(options))
            placeTaken = OutputFile::CheckPlace(FileNameText(*options.output));
    }
    if (!placeTaken) {
        ReportError(std::cerr, placeTaken.error());
        return kCardsFailed;
    }
    const std::chrono::year_month_day today = options.today.value_or(SystemToday());
    WarnOfMissingData(*store, dataDir.dataDir, std::cerr);

    // Lists are read once all that can refuse the run without its numbers is said: a list typed
    // at the terminal is not typed in vain for a folder, file or font that fails.
    if (!options.fromFiles.empty()) {
        if (const int status = ReadNumberLists(options); status != kCardsAllDrawn) return status;
    }

    std::vector<std::string> matricolas = options.matricolas;
    // A registry record that no number reaches is a student --all cannot draw.
    int registryStatus = kCardsAllDrawn;
    if (options.all) {
        auto every = EveryMatricola(*store, std::cerr);
        if (!every) {
            ReportError(std::cerr, every.error());
            return kCardsFailed;
        }
        matricolas = std::move(every->matricolas);
        if (every->someUnreachable) registryStatus = kCardsSomeNotFound;
    }
    return std::max(registryStatus,
                    DrawEveryCard(options, matricolas, *store, dataDir, watch, today,
                                  decimalSeparator, makeSplitFolder, interruption));
}

}  // namespace

int RunCardCommand(int argc, char* argv[]) {
    // Read before Qt is set up, which needs more of the process's limits than a help text.
    Result<CardOptions> options =
        ParseCardOptions(CommandArguments(QStringLiteral("velmaro card"), argc, argv, 2));
    if (!options) {
        ReportUsageError(std::cerr, options.error().reason, "velmaro card");
        return kUsageErrorStatus;
    }
    if (options->showHelp || options->showVersion) {
        return PrintToStandardOutput(options->showHelp ? CardHelpText() : VersionText())
                   ? kCardsAllDrawn
                   : kCardsFailed;
    }
    // Qt and the fonts are about to be set up: no card rather than one in another font, or a
    // crash.
    if (const std::optional<std::string> tooLow = WhyLimitsTooLowToDraw()) {
        std::cerr << "velmaro: " << *tooLow << "\n";
        return kUsageErrorStatus;
    }
    // Every card grows the heap and gives the memory back: with the default top pad the
    // allocator asks the system for memory and returns it on every page, some 5-15 % of a
    // batch's CPU. Keeping 64 MiB in hand costs no resident memory until it is used.
    mallopt(M_TOP_PAD, kHeapTopPad);
    // Cards are drawn off screen: the verb must work without any display, whatever the
    // environment asks for.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler(QuietQtMessages);
    // Qt sees only the program name: the card's own arguments (an empty number, "-5" after
    // "--", ...) must not be taken for Qt's options.
    int qtArgc = 1;
    char* qtArgv[] = {argv[0], nullptr};
    const QGuiApplication application(qtArgc, qtArgv);
    // Messages wait for standard error's reader only until an interrupt: a pipe that no one
    // reads any more cannot hold a run that was asked to stop.
    StreamWriteBuffer standardError(STDERR_FILENO);
    const StreamBufferSwap messages(std::cerr, standardError);
    Interruption interruption;
    const int status = DrawRequestedCards(*options, interruption);
    interruption.EndIfRequested();
    return status;
}

}  // namespace velmaro
