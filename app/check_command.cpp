#include "app/check_command.h"

#include <QCommandLineParser>

#include <chrono>
#include <iostream>
#include <optional>
#include <string>

#include "app/card_run.h"
#include "app/check_report_format.h"
#include "app/command_line.h"
#include "app/data_dir_settings.h"
#include "base/system_environment.h"
#include "store/data_check.h"
#include "store/data_store.h"
#include "ui/file_name_text.h"

namespace velmaro {
namespace {

struct CheckOptions {
    bool showHelp = false;
    std::optional<std::string> dataDir;
    bool json = false;
    std::optional<std::chrono::year_month_day> today;
};

constexpr const char* kCheckHelp =
    R"(Usage: velmaro check [--data-dir DIR] [--format text|json] [--today YYYY-MM-DD]

Reads the five data files once and reports, for each kind of problem, how
many there are and the first 10 with their record (or line) numbers and the
values found, kind by kind in this order: missing or empty record files,
registry order, records that a lookup of their own key misses, repeated
keys, keys that are not numbers, slot length fields, files whose length is
no whole number of slots, short records, registry records of another
length than 58 characters or with blanks before the key, record counts
(negative, fractional or not a number), runs of exam and year records, dates,
exam grades that are neither a mark from 18 to 31 nor a pass without a mark
(a text after "31"), modules passed without a mark that the averages count as
a number, exams outside the career or out of date order, charts
that end before they begin, codes missing from esami.grp, group codes that no
class rule names, codes missing from titoli.grp, malformed table lines (and
codes holding "*"), repeated table codes.

Options:
  --data-dir DIR        Check the files of DIR.
  --format text|json    text (default): a report to read; json: one JSON
                        object.
  --today YYYY-MM-DD    The date taken as today, which ends the chart of a
                        student still enrolled at the latest: later exams
                        are reported. Default: the system date.
  -h, --help            Show this text and exit.

The data folder is the first of: --data-dir; VELMARO_DATA_DIR; DataDir in
~/.config/Velmaro/velmaro.conf (or /etc/xdg/Velmaro/velmaro.conf); the folder
of the velmaro executable.

Exit status:
  0  no problem found.
  1  problems found (the report lists them).
  2  a usage error, a file that cannot be read (a table of more than
     1,000,000 lines or 64 MiB among them, and files too large to check in
     the memory left to Velmaro) or that was replaced or changed while it
     was checked, or a report that cannot be written (one line on standard
     error names the file and the reason).
)";

// Every option of `velmaro check`, registered on one parser.
struct CheckOptionNames {
    QCommandLineOption help{{QStringLiteral("h"), QStringLiteral("help")}, {}};
    QCommandLineOption dataDir{QStringLiteral("data-dir"), {}, QStringLiteral("DIR")};
    QCommandLineOption format{QStringLiteral("format"), {}, QStringLiteral("FORMAT")};
    QCommandLineOption today{QStringLiteral("today"), {}, QStringLiteral("DATE")};

    void AddTo(QCommandLineParser& parser) const {
        parser.addOptions({help, dataDir, format, today});
    }
};

Result<CheckOptions> ParseCheckOptions(int argc, char* argv[]) {
    QCommandLineParser parser;
    const CheckOptionNames names;
    names.AddTo(parser);
    const auto& [help, dataDir, format, today] = names;
    const QStringList arguments = CommandArguments(QStringLiteral("velmaro check"), argc, argv, 2);
    if (!parser.parse(arguments)) {
        return Error{"", FileNameBytes(UsageErrorText(parser, arguments, false))};
    }
    if (!parser.positionalArguments().isEmpty()) {
        return Error{
            "", "unknown argument '" + FileNameBytes(parser.positionalArguments().front()) + "'"};
    }
    VELMARO_TRY(RefuseRepeatedOptions(parser, {&dataDir, &format, &today}));
    CheckOptions options;
    options.showHelp = parser.isSet(help);
    VELMARO_TRY(ReadNamedOption(parser, dataDir, "--data-dir needs a folder", options.dataDir));
    if (parser.isSet(format)) {
        const QString name = parser.value(format);
        // In any case, as the card command takes its formats.
        const QString lower = name.toLower();
        if (lower != QLatin1String("text") && lower != QLatin1String("json")) {
            return Error{"", "--format must be text or json, not '" + FileNameBytes(name) + "'"};
        }
        options.json = lower == QLatin1String("json");
    }
    if (parser.isSet(today)) {
        VELMARO_TRY(options.today, ParseTodayOption(parser.value(today)));
    }
    return options;
}

}  // namespace

void AddCheckOptions(QCommandLineParser& parser) { CheckOptionNames().AddTo(parser); }

int RunCheckCommand(int argc, char* argv[]) {
    const Result<CheckOptions> options = ParseCheckOptions(argc, argv);
    if (!options) {
        ReportUsageError(std::cerr, options.error().reason, "velmaro check");
        return kUsageErrorStatus;
    }
    if (options->showHelp)
        return PrintToStandardOutput(kCheckHelp) ? kCheckClean : kCheckCannotRead;
    const Result<DataDirChoice> chosen = ChooseDataDir(CurrentDataDirSources(options->dataDir));
    if (!chosen) {
        ReportError(std::cerr, chosen.error());
        return kCheckCannotRead;
    }
    const DataDirChoice& choice = *chosen;
    const std::string& dataDir = choice.dataDir;
    const Result<CheckReport> report =
        CheckDataDir(dataDir, options->today.value_or(SystemToday()));
    if (!report) {
        ReportError(std::cerr, WithDataDirOrigin(report.error(), choice));
        return kCheckCannotRead;
    }
    if (!PrintToStandardOutput(options->json ? CheckReportJson(dataDir, *report)
                                             : CheckReportText(dataDir, *report))) {
        return kCheckCannotRead;
    }
    return report->Clean() ? kCheckClean : kCheckProblemsFound;
}

}  // namespace velmaro
