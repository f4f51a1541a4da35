// velmaro_make_sample: writes a generated data set (elenco.dir, esami.dir, velmara.dir,
// esami.grp, titoli.grp) into a folder. Run without options it writes the committed sample.

#include <charconv>
#include <cstdint>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>

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
  --share-runs          let students past record 99999 reuse earlier runs (for benchmarks)
  --list-special        print the special cases and exit
  --help                this text
)";

std::optional<long long> NumberOf(std::string_view text) {
    long long value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

struct Command {
    SampleDataOptions options;
    std::string folder;
    bool listSpecial = false;
    bool help = false;
};

// The command line taken apart, or an error message.
std::optional<Command> Parse(int argc, char** argv, std::string& problem) {
    Command command;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        const auto number = [&]() -> std::optional<long long> {
            if (i + 1 >= argc) {
                problem = std::string(arg) + " needs a number";
                return std::nullopt;
            }
            const auto value = NumberOf(argv[++i]);
            if (!value) problem = std::string(arg) + ": not a number: " + argv[i];
            return value;
        };
        const auto setInt = [&](int& field) {
            const auto value = number();
            if (value && (*value < INT32_MIN || *value > INT32_MAX)) {
                problem = std::string(arg) + ": out of range";
                return false;
            }
            if (value) field = static_cast<int>(*value);
            return value.has_value();
        };
        bool ok = true;
        if (arg == "--students") {
            ok = setInt(command.options.studentCount);
        } else if (arg == "--max-matricola") {
            ok = setInt(command.options.maxMatricola);
        } else if (arg == "--exams") {
            ok = setInt(command.options.examsPerStudent);
        } else if (arg == "--years") {
            ok = setInt(command.options.yearsPerStudent);
        } else if (arg == "--graduates") {
            ok = setInt(command.options.graduatePercent);
        } else if (arg == "--seed") {
            const auto value = number();
            ok = value && *value >= 0;
            if (ok) command.options.seed = static_cast<std::uint64_t>(*value);
            if (value && !ok) problem = "--seed: must not be negative";
        } else if (arg == "--no-special-cases") {
            command.options.includeSpecialCases = false;
        } else if (arg == "--share-runs") {
            command.options.shareRunsBeyondRecordLimit = true;
        } else if (arg == "--list-special") {
            command.listSpecial = true;
        } else if (arg == "--help" || arg == "-h") {
            command.help = true;
        } else if (!arg.empty() && arg[0] == '-') {
            problem = "unknown option " + std::string(arg);
            ok = false;
        } else if (command.folder.empty()) {
            command.folder = arg;
        } else {
            problem = "only one FOLDER may be given";
            ok = false;
        }
        if (!ok) return std::nullopt;
    }
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
    if (command->help) {
        std::cout << kUsage;
        return 0;
    }
    if (command->listSpecial) {
        for (const auto& special : velmaro::sample::SpecialCases()) {
            std::cout << special.matricola << "\t" << special.description << "\n";
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
