// velmaro_make_sample: writes a generated data set (elenco.dir, esami.dir, velmara.dir,
// esami.grp, titoli.grp) into a folder. Run without options it writes the committed sample.

#include <QCommandLineParser>
#include <QStringList>

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstring>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>

#include "base/system_reason.h"
#include "tools/edge_case_students.h"
#include "tools/sample_data.h"

namespace {

using velmaro::sample::SampleDataOptions;

constexpr std::string_view kUsage = R"(usage: velmaro_make_sample [options] FOLDER
Writes elenco.dir, esami.dir, velmara.dir, esami.grp and titoli.grp into FOLDER.
Without options it writes the sample data set kept in data/sample.

  --students N          number of students (default 400)
  --max-matricola N     identification numbers are drawn from 1 ... N (default 9999, at most 99999)
  --exams N             about N exams per graduate (default 22)
  --years N             about N academic years per student (default 5)
  --seed N              seed of the pseudo-random sequence (default 5193)
  --graduates N         percent of the finished careers that end in a degree (default 75)
  --no-special-cases    leave out the students that carry edge cases (5193 stays)
  --share-runs          let exam and year runs that would start past record 99999
                        reuse earlier records (for benchmarks)
  --list-special        print the special cases and exit
  --help                this text
)";

struct Command {
    SampleDataOptions options;
    std::string folder;
    bool listSpecial = false;
    bool help = false;
};

// The command line taken apart, or an error message.
std::optional<Command> Parse(int argc, char** argv, std::string& problem) {
    QCommandLineParser parser;
    const auto valued = [](const char* name) {
        return QCommandLineOption(QString::fromLatin1(name), {}, QStringLiteral("N"));
    };
    const QCommandLineOption students = valued("students"), maxMatricola = valued("max-matricola"),
                             exams = valued("exams"), years = valued("years"),
                             graduates = valued("graduates"), seed = valued("seed");
    const QCommandLineOption noSpecialCases(QStringLiteral("no-special-cases"));
    const QCommandLineOption shareRuns(QStringLiteral("share-runs"));
    const QCommandLineOption listSpecial(QStringLiteral("list-special"));
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    parser.addOptions({students, maxMatricola, exams, years, graduates, seed, noSpecialCases,
                       shareRuns, listSpecial, help});
    // Each byte as the character of the same number, so that a folder name that is not UTF-8
    // (a name in Latin-1) comes back out of the parser as the bytes given.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLatin1(argv[i]);
    if (!parser.parse(arguments)) {
        problem = parser.errorText().toLatin1().toStdString();
        return std::nullopt;
    }

    Command command;
    // Each numeric option that is given must be a whole number within its range.
    const auto read = [&](const QCommandLineOption& option, long long low, long long high,
                          auto& field) {
        if (!parser.isSet(option)) return true;
        bool isNumber = false;
        const long long value = parser.value(option).toLongLong(&isNumber);
        if (!isNumber || value < low || value > high) {
            problem = "--" + option.names().front().toStdString() + ": not a number from " +
                      std::to_string(low) + " to " + std::to_string(high);
            return false;
        }
        field = static_cast<std::remove_reference_t<decltype(field)>>(value);
        return true;
    };
    SampleDataOptions& o = command.options;
    if (!read(students, INT32_MIN, INT32_MAX, o.studentCount) ||
        !read(maxMatricola, INT32_MIN, INT32_MAX, o.maxMatricola) ||
        !read(exams, INT32_MIN, INT32_MAX, o.examsPerStudent) ||
        !read(years, INT32_MIN, INT32_MAX, o.yearsPerStudent) ||
        !read(graduates, INT32_MIN, INT32_MAX, o.graduatePercent) ||
        !read(seed, 0, LLONG_MAX, o.seed)) {
        return std::nullopt;
    }
    o.includeSpecialCases = !parser.isSet(noSpecialCases);
    o.shareRunsBeyondRecordLimit = parser.isSet(shareRuns);
    command.listSpecial = parser.isSet(listSpecial);
    command.help = parser.isSet(help);

    const QStringList folders = parser.positionalArguments();
    if (folders.size() > 1) {
        problem = "only one FOLDER may be given";
        return std::nullopt;
    }
    if (!folders.isEmpty()) command.folder = folders.front().toLatin1().toStdString();
    if (command.folder.empty() && !command.listSpecial && !command.help) {
        problem = "FOLDER is missing";
        return std::nullopt;
    }
    return command;
}

}  // namespace

int main(int argc, char** argv) {
    std::string problem;
    const auto command = Parse(argc, argv, problem);
    if (!command) {
        std::cerr << "velmaro_make_sample: " << problem << "\n" << kUsage;
        return 2;
    }
    if (command->help || command->listSpecial) {
        if (command->help) {
            std::cout << kUsage;
        } else {
            for (const auto& special : velmaro::sample::SpecialCases())
                std::cout << special.matricola << "\t" << special.description << "\n";
        }
        if (!std::cout.flush()) {
            std::cerr << "velmaro_make_sample: standard output: " << velmaro::SystemReason(errno)
                      << "\n";
            return 2;
        }
        return 0;
    }
    const auto written = velmaro::sample::WriteSampleDataSet(command->folder, command->options);
    if (!written) {
        std::cerr << "velmaro_make_sample: " << written.error().Message() << "\n";
        return 2;
    }
    return 0;
}
