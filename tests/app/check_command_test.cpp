// `velmaro check` end to end: exit statuses and the two report formats of the built program.

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <functional>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "store/check_report.h"
#include "store/data_store.h"
#include "tests/app/run_velmaro.h"
#include "tests/store/data_files.h"

namespace velmaro::testing {
namespace {

// Against a copy of the sample whose first registry key begins with a terminal's escape
// sequence (a key that is no number), and whose esami.grp gains a line with an unknown group
// code and a repeated exam code: the exit status, and the problems in both report formats.
TEST(CheckCommand, ExitStatusAndReportsOfCleanBrokenAndUnreadableData) {
    const testdata::TempDataDir broken;
    CopySample(broken);
    broken.Write("elenco.dir",
                 testdata::FileBytes(broken.PathOf("elenco.dir")).replace(2, 4, "\x1b[2J"));
    broken.Write("esami.grp",
                 testdata::FileBytes(broken.PathOf("esami.grp")) + "ZQ 1001 Doppione\r\n");
    const struct {
        QStringList arguments;
        int exitCode;
        std::string inOut;
        std::string inErr;
    } cases[] = {
        {{"check", "--data-dir", VELMARO_SAMPLE_DIR}, 0, "no problems found", ""},
        {{"check", "--data-dir=" + QString::fromStdString(broken.DataDir())},
         1,
         "  elenco.dir record 1: key \"\\x1b[2J4\"\nunknown-group-code: 1",
         ""},
        // Data that does not load (status 2): CardCommand.MessagesShowControlCharactersEscaped.
        // Checked as of a day before the sample's last exams, for cards drawn that day.
        {{"check", "--data-dir", VELMARO_SAMPLE_DIR, "--today", "2020-01-01"},
         1,
         "the chart ends today, 2020-01-01",
         ""},
        {{"check", "--today", "2025-02-29"}, 2, "", "--today 2025-02-29 is no day of the calendar"},
        {{"check", "--today", "25-2-28"}, 2, "", "--today must be a date written YYYY-MM-DD"},
        {{"check", "--data-dir", VELMARO_SAMPLE_DIR, "--format", "JSON"}, 0, "\"clean\":true", ""},
        {{"check", "--format", "xml"}, 2, "", "--format must be text or json, not 'xml'"},
        {{"check", "--format", "json", "--format=text"},
         2,
         "",
         "--format given more than once: give it once"},
        // No number hint: the check takes no numbers.
        {{"check", "-5"}, 2, "", "velmaro: unknown option '-5'\nTry"},
        {{"check", "--data-dir"}, 2, "", "missing value after '--data-dir'"},
        {{"check", "--help"}, 0, "Exit status:", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments.join(' ').toStdString());
        const auto run = RunVelmaro(c.arguments);
        EXPECT_EQ(run.exitCode, c.exitCode);
        EXPECT_NE(run.out.find(c.inOut), std::string::npos) << run.out;
        EXPECT_NE(run.err.find(c.inErr), std::string::npos) << run.err;
        EXPECT_EQ((run.out + run.err).find('\x1b'), std::string::npos);
    }
    // The JSON report names each kind, its count and where it was found first.
    std::string folder = broken.DataDir();
    folder.pop_back();  // the folder as a user names it, without the final "/"
    const auto run =
        RunVelmaro({"check", "--format=json", "--data-dir", QString::fromStdString(folder)});
    EXPECT_EQ(run.exitCode, 1);
    const std::string expected =
        "{\"data_dir\":\"" + folder + "/\",\"clean\":false,\"problems\":[" +
        "{\"kind\":\"bad-key\",\"description\":\"registry key that is not a number from 1 "
        "up: no lookup finds the student\",\"count\":1,\"first\":[{\"file\":\"elenco.dir\","
        "\"record\":1,\"found\":\"key \\\"\\u001b[2J4\\\"\"}]}," +
        "{\"kind\":\"unknown-group-code\",\"description\":\"group code that no class rule names: "
        "its exams are class 4\",\"count\":1,\"first\":[{\"file\":\"esami.grp\",\"record\":92,"
        "\"found\":\"group \\\"ZQ\\\" of exam \\\"1001\\\"\"}]}," +
        "{\"kind\":\"repeated-table-code\",\"description\":\"code repeated in a table: only its "
        "first line is ever used\",\"count\":1,\"first\":[{\"file\":\"esami.grp\",\"record\":2,"
        "\"other_record\":92,\"found\":\"code \\\"1001\\\"\"}]}]}\n";
    EXPECT_EQ(run.out, expected);
}

// A kind found more often than its findings kept: the first ten are listed, in the order of
// the records, and the rest counted, in the text as in JSON. Here every student of the sample
// has a diploma code that an empty titoli.grp does not hold.
TEST(CheckCommand, AKindFoundOftenListsItsFirstTenAndCountsTheRest) {
    const testdata::TempDataDir data;
    CopySample(data);
    data.Write("titoli.grp", "");
    const QString dataDir = QString::fromStdString(data.DataDir());
    const ProcessRun text = RunVelmaro({"check", "--data-dir", dataDir});
    EXPECT_EQ(text.exitCode, 1);
    const std::size_t kind = text.out.find("\nunknown-diploma-code: 400 (");
    ASSERT_NE(kind, std::string::npos) << text.out;
    // The kind's lines: each finding, then the rest, up to the next kind.
    std::vector<std::string> lines;
    for (std::size_t line = text.out.find('\n', kind + 1) + 1;
         line < text.out.size() && text.out.compare(line, 2, "  ") == 0;) {
        const std::size_t end = text.out.find('\n', line);
        lines.push_back(text.out.substr(line, end - line));
        line = end + 1;
    }
    ASSERT_EQ(lines.size(), 11u) << text.out;
    for (int record = 1; record <= 10; ++record) {
        EXPECT_TRUE(lines[record - 1].starts_with("  elenco.dir record " + std::to_string(record) +
                                                  ": diploma code \""))
            << lines[record - 1];
    }
    EXPECT_EQ(lines.back(), "  ... and 390 more");

    const ProcessRun json = RunVelmaro({"check", "--format", "json", "--data-dir", dataDir});
    EXPECT_EQ(json.exitCode, 1);
    const std::string group = "{\"kind\":\"unknown-diploma-code\",";
    const std::size_t start = json.out.find(group);
    ASSERT_NE(start, std::string::npos) << json.out;
    const std::string_view rest(json.out.data() + start, json.out.find("]}", start) - start);
    EXPECT_NE(rest.find(",\"count\":400,\"first\":[{\"file\":\"elenco.dir\",\"record\":1,"),
              std::string_view::npos)
        << rest;
    std::size_t entries = 0;
    for (std::size_t at = rest.find("{\"file\""); at != std::string_view::npos;
         at = rest.find("{\"file\"", at + 1))
        ++entries;
    EXPECT_EQ(entries, 10u);
    EXPECT_NE(rest.find("\"record\":10,"), std::string_view::npos);
}

// A record file that reading and checking cannot hold in the memory left to the process (a
// sparse file, a disk image copied in under its name): as large as the machine's memory, or
// two thirds of a limit set on the process (the check needs half as much again as a record
// file's bytes), cannot be read whole: the check names it and ends with status 2, instead of
// ending with "out of memory" or killed, naming nothing. A table that large is no table.
TEST(CheckCommand, AFileLargerThanMemoryIsNamedAndNotRead) {
    const auto machine = static_cast<off_t>(::sysconf(_SC_PHYS_PAGES)) * ::sysconf(_SC_PAGE_SIZE);
    constexpr off_t kMayUse = off_t{3} << 30;
    constexpr off_t kTwoThirds = kMayUse / 3 * 2;
    for (const auto& [huge, memory, inChild] :
         {std::tuple{"esami.dir", machine, std::function<void()>()},
          std::tuple{"elenco.dir", machine, std::function<void()>()},
          std::tuple{"esami.dir", kMayUse, Limiting(RLIMIT_AS, kMayUse)},
          std::tuple{"esami.dir", kTwoThirds, Limiting(RLIMIT_AS, kMayUse)},
          std::tuple{"velmara.dir", kTwoThirds, Limiting(RLIMIT_DATA, kMayUse)}}) {
        SCOPED_TRACE(std::string(huge) + " of " + std::to_string(memory));
        const testdata::TempDataDir data;
        CopySample(data);
        ASSERT_EQ(::truncate(data.PathOf(huge).c_str(), memory), 0);
        const QString dataDir = QString::fromStdString(data.DataDir());
        const std::string named = "/" + std::string(huge) + ": holds " + std::to_string(memory) +
                                  " bytes, too many to read whole: that takes about ";
        const ProcessRun check = RunVelmaro({"check", "--data-dir", dataDir}, {}, {}, {}, inChild);
        EXPECT_EQ(check.exitCode, 2);
        EXPECT_TRUE(check.err.starts_with("velmaro: /") &&
                    check.err.find(named) != std::string::npos)
            << check.err;
    }
    // Two record files that each fit but not together: the folder is named, whose files the
    // check holds at once.
    const testdata::TempDataDir data;
    CopySample(data);
    for (const char* name : {"esami.dir", "velmara.dir"})
        ASSERT_EQ(::truncate(data.PathOf(name).c_str(), kMayUse / 8 * 3), 0);
    const ProcessRun check =
        RunVelmaro({"check", "--data-dir", QString::fromStdString(data.DataDir())}, {}, {}, {},
                   Limiting(RLIMIT_AS, kMayUse));
    EXPECT_EQ(check.exitCode, 2);
    EXPECT_THAT(check.err, ::testing::HasSubstr("/: its data files hold "));
    // A table far larger than the memory left, and than any table: refused as no table, from
    // its first 64 MiB, not read whole to find it too large.
    {
        const testdata::TempDataDir sparse;
        CopySample(sparse);
        ASSERT_EQ(::truncate(sparse.PathOf("titoli.grp").c_str(), off_t{2} << 30), 0);
        const QString sparseDir = QString::fromStdString(sparse.DataDir());
        const std::string notATable = "/titoli.grp: holds more than 64 MiB, as no table does";
        for (const QStringList& command :
             {QStringList{"check", "--data-dir", sparseDir},
              QStringList{"card", "--format=ops", "--data-dir", sparseDir, "5193"}}) {
            const ProcessRun run =
                RunVelmaro(command, {}, {}, {}, Limiting(RLIMIT_AS, off_t{1} << 30));
            EXPECT_EQ(run.exitCode, 2);
            EXPECT_THAT(run.err, ::testing::HasSubstr(notATable));
        }
    }
    // Small data in a small room: what the process holds already is counted as it is, not a
    // fixed guess as large as the room (which refused the sample under 256 MiB).
    for (const auto& small : {Limiting(RLIMIT_AS, 256 << 20), Limiting(RLIMIT_DATA, 96 << 20)}) {
        EXPECT_TRUE(Ended(RunVelmaro({"check", "--data-dir", kSample}, {}, {}, {}, small), 0, ""));
        EXPECT_EQ(
            RunVelmaro({"card", "--format=ops", "--data-dir", kSample, "5193"}, {}, {}, {}, small)
                .exitCode,
            0);
    }
}

// A keeper who saves a file anew (a record file, a table), or saves into the file itself, while
// the check reads the registry: the report would be of files no longer there, or no longer so,
// beside the registry read after; the check says so (status 2) and the next one, on files that
// stay, reports them.
TEST(CheckCommand, DataReplacedWhileItIsCheckedIsCheckedAgain) {
    for (const auto& [replaced, inPlace] : {std::pair{std::string("esami.dir"), false},
                                            {std::string("titoli.grp"), false},
                                            {std::string("esami.dir"), true}}) {
        SCOPED_TRACE(replaced + (inPlace ? " in place" : ""));
        const testdata::TempDataDir data;
        CopySample(data);
        data.Write("saved anew", testdata::FileBytes(data.PathOf(replaced)));
        QProcessEnvironment keeper =
            WithFaults({{"VELMARO_REPLACE_WHEN_OPENING", "/elenco.dir"},
                        {"VELMARO_REPLACE_FROM", AsQString(data.PathOf("saved anew"))},
                        {"VELMARO_REPLACE_TO", AsQString(data.PathOf(replaced))}});
        if (inPlace) keeper.insert("VELMARO_REPLACE_IN_PLACE", "1");
        const QStringList arguments{"check", "--data-dir", AsQString(data.DataDir())};
        const ProcessRun run = RunVelmaro(arguments, keeper);
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_EQ(run.out, "");
        EXPECT_THAT(run.err,
                    ::testing::HasSubstr(replaced + (inPlace ? ": changed" : ": replaced") +
                                         " while the data was checked"));
        EXPECT_TRUE(Ended(RunVelmaro(arguments, keeper), 0, ""));
    }
}

// The help lists the kinds of problem in the order the report does, each of them: a kind that
// it leaves out is one a keeper reading it does not know the check looks for.
TEST(CheckCommand, HelpNamesEveryKindOfProblemInTheReportsOrder) {
    // The help's words for each kind, in the order of ProblemKind; kinds that the help names
    // together share the words.
    const char* const kHelpWords[] = {
        "missing or empty record files",
        "registry order",
        "records that a lookup of their own key misses",
        "repeated keys",
        "keys that are not numbers",
        "slot length fields",
        "files whose length is no whole number of slots",
        "short records",
        "registry records of another length than 58 characters",
        "record counts",
        "runs of exam and year records",
        "dates",
        "exam grades that are neither a mark from 18 to 31 nor a pass without a mark",
        "modules passed without a mark that the averages count as a number",
        "exams outside the career",
        "out of date order",
        "charts that end before they begin",
        "codes missing from esami.grp",
        "group codes that no class rule names",
        "codes missing from titoli.grp",
        "malformed table lines",
        "repeated table codes",
    };
    const auto run = RunVelmaro({"check", "--help"});
    ASSERT_EQ(run.exitCode, 0);
    // The words as a reader takes them, whatever line they were wrapped onto.
    const QString help = QString::fromStdString(run.out).simplified();
    qsizetype from = help.indexOf(QStringLiteral("in this order:"));
    ASSERT_GE(from, 0) << run.out;
    for (const char* words : kHelpWords) {
        const qsizetype at = help.indexOf(QString::fromUtf8(words), from);
        EXPECT_GE(at, from) << words;
        if (at >= 0) from = at;
    }
}

}  // namespace
}  // namespace velmaro::testing
