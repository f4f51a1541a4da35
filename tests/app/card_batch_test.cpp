// Batch cards end to end: every student, one file each on several threads, reproducible PDFs,
// and the warning for a missing record file.

#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <linux/capability.h>
#include <poll.h>
#include <pty.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <QDir>
#include <QFileInfo>
#include <QProcessEnvironment>

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <functional>
#include <initializer_list>
#include <sstream>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "app/card_progress.h"
#include "base/system_environment.h"
#include "store/data_store.h"
#include "tests/app/run_velmaro.h"
#include "tests/store/data_files.h"
#include "tests/support/ops_compare.h"

namespace velmaro::testing {
namespace {

using ::testing::HasSubstr;

// The keys of a recording's cards, in order.
std::vector<int> CardKeys(const std::string& recording) {
    std::vector<int> keys;
    for (const std::string& card : CardLines(recording))
        keys.push_back(std::stoi(card.substr(6)));
    return keys;
}

// The sample registry's keys, in its order.
std::vector<int> SampleKeys() {
    const std::string registry = testdata::FileBytes(kSample.toStdString() + "/elenco.dir");
    std::vector<int> keys;
    for (std::size_t slot = 0; slot < registry.size(); slot += kRegistrySlotSize)
        keys.push_back(std::stoi(registry.substr(slot + 2, 5)));
    return keys;
}

// `velmaro card` on the data in dataDir, as of kToday.
ProcessRun Card(const QString& dataDir, const QStringList& arguments,
                const QProcessEnvironment& extra = {}, const std::function<void()>& inChild = {}) {
    return RunVelmaro(CardOf(dataDir, arguments), extra, {}, {}, inChild);
}

// The files in folder, by name (hidden ones too with hidden).
QStringList Files(const std::string& folder, bool hidden = false) {
    return QDir(AsQString(folder))
        .entryList(QDir::Files | (hidden ? QDir::Hidden : QDir::Filters()), QDir::Name);
}

// What a run says of the numbers not on file.
std::string NotFound(std::initializer_list<const char*> numbers) {
    std::string said;
    for (const char* number : numbers)
        said += "Matricola NON Trovata: " + std::string(number) + "\n";
    return said;
}

TEST(CardBatch, AllDrawsEveryStudentInKeyOrder) {
    const QStringList all{"--all", "--format=ops", "--metrics=fixed"};
    const auto run = Card(kSample, all);
    EXPECT_TRUE(Ended(run, 0, ""));  // not a terminal: no progress
    // Threads draw --split files only: asked for here, they are said to change nothing.
    const auto withJobs = Card(kSample, all + QStringList{"--jobs", "2"});
    EXPECT_TRUE(Ended(withJobs, 0,
                      "velmaro: warning: --jobs draws --split files only: these cards are drawn "
                      "one after the other\n"));
    EXPECT_EQ(withJobs.out, run.out);
    // Every key of the sample registry (400, in ascending order).
    EXPECT_EQ(CardKeys(run.out), SampleKeys());
    EXPECT_EQ(run.out.find("notfound"), std::string::npos);

    // A registry out of order, the key of its first record repeated after it, a key repeated
    // next to itself, a key of 0 (no number): still each key once, in ascending order.
    const testdata::TempDataDir shuffled, repeated;
    CopySample(shuffled);
    const QString data = AsQString(shuffled.DataDir());
    std::string registry = testdata::FileBytes(shuffled.PathOf("elenco.dir"));
    const std::size_t slot = kRegistrySlotSize;
    std::swap_ranges(registry.begin(), registry.begin() + slot, registry.begin() + 2 * slot);
    registry.replace(4 * slot, slot, registry, 2 * slot, slot);
    registry.replace(20 * slot, slot, registry, 19 * slot, slot);
    registry.replace(9 * slot + 2, 5,
                     "\xC8"
                     "0000");  // "È0000" in Windows-1252
    registry.replace(11 * slot + 2, 5, "ABCDE");
    shuffled.Write("elenco.dir", registry);
    const auto keyed = Card(data, all);
    const std::vector<int> keys = CardKeys(keyed.out);
    ASSERT_EQ(keys.size(), 396u);
    EXPECT_GT(keys.front(), 0);
    EXPECT_TRUE(std::is_sorted(keys.begin(), keys.end()));
    EXPECT_EQ(std::adjacent_find(keys.begin(), keys.end()), keys.end());
    // The records of keys that are no numbers are students no number reaches: said, and the run
    // is not a success.
    EXPECT_EQ(keyed.exitCode, 1);
    EXPECT_THAT(keyed.err,
                HasSubstr("elenco.dir: 2 records have a key that is no MATRICOLA and no card "
                          "(the first: record 10, key \"È0000\"); 'velmaro check' lists them\n"));
    EXPECT_THAT(keyed.err, HasSubstr("elenco.dir: 2 records have no card of their own: a key held "
                                     "by several records gets one card, of the record a number "
                                     "finds (the first such key: 4, records 3 and 5); 'velmaro "
                                     "check' lists them\n"));

    // A record that repeats its neighbour's key in a registry still in order: a number finds
    // one of the two, so the other student is left out, which is said, in one file or a folder.
    CopySample(repeated);
    std::string inOrder = testdata::FileBytes(repeated.PathOf("elenco.dir"));
    inOrder.replace(201 * slot + 2, 5, inOrder, 200 * slot + 2, 5);
    repeated.Write("elenco.dir", inOrder);
    const auto once = Card(AsQString(repeated.DataDir()), all);
    EXPECT_EQ(once.exitCode, 1) << once.err;
    EXPECT_EQ(CardKeys(once.out).size(), 399u);
    EXPECT_THAT(once.err, HasSubstr("elenco.dir: 1 record has no card of its own: a key held by "
                                    "several records gets one card, of the record a number finds "
                                    "(the first such key: 4516, records 201 and 202); 'velmaro "
                                    "check' lists them\n"));
    const auto split = Card(AsQString(repeated.DataDir()),
                            {"--all", "--split", AsQString(repeated.PathOf("cards"))});
    EXPECT_EQ(split.exitCode, 1) << split.err;
    EXPECT_EQ(Files(repeated.PathOf("cards")).size(), 399);
    EXPECT_THAT(split.err, HasSubstr("1 record has no card of its own"));

    // Not one key a number: no card at all, in one file or in a folder, is no success either.
    for (std::size_t record = 0; record < registry.size() / slot; ++record)
        registry.replace(record * slot + 2, 5, record % 2 ? "ABCDE" : "    0");
    shuffled.Write("elenco.dir", registry);
    const QString path = AsQString(shuffled.PathOf("cards"));
    for (const QString target : {"-o", "--split"}) {
        const auto none = Card(data, {"--all", "--format=pdf", target, path});
        EXPECT_EQ(none.exitCode, 1) << target.toStdString() << none.err;
        EXPECT_THAT(none.err, HasSubstr("400 records have a key that is no MATRICOLA"));
        EXPECT_FALSE(QFileInfo(path).isFile());
        EXPECT_TRUE(QDir(path).isEmpty());
    }

    // A registry of 2 GiB (empty slots, read from holes) listed under a limit of 1.5 GiB: the
    // keys are read block by block, never the registry whole.
    std::filesystem::resize_file(shuffled.PathOf("elenco.dir"), std::uintmax_t{2} << 30);
    const auto huge = Card(data, all, {}, Limiting(RLIMIT_AS, rlim_t{3} << 29, RLIM_INFINITY));
    EXPECT_EQ(huge.exitCode, 1) << huge.err;
    EXPECT_THAT(huge.err, HasSubstr("34636833 records have a key that is no MATRICOLA"));

    // One record more than a block of keys read at once: the last one is listed too.
    std::vector<std::string> records;
    for (int key = 1; key <= 4097; ++key)
        records.push_back(testdata::RegistryText(key));
    shuffled.Write("elenco.dir", testdata::Slots(records, slot));
    const auto blocks = Card(data, all);
    EXPECT_EQ(blocks.exitCode, 0) << blocks.err;
    const auto listed = CardLines(blocks.out);
    ASSERT_EQ(listed.size(), 4097u);
    EXPECT_EQ(listed.back(), "card \"4097\"");
}

TEST(CardBatch, SplitFilesAreTheOneByOneCardsWhateverTheThreads) {
    const testdata::TempDataDir out;
    const QProcessEnvironment fixedTime = Environment({{"SOURCE_DATE_EPOCH", "1700000000"}});
    const auto split = [&](const std::string& folder, const QStringList& numbers,
                           const QString& data = kSample) {
        return Card(data, QStringList{"--split", AsQString(folder)} + numbers, fixedTime);
    };
    const auto bytes = [&](const std::string& name) {
        return testdata::FileBytes(out.PathOf(name));
    };
    // Students named twice (0004 and 4, 5193 and 05193) are drawn once, as first named. Numbers
    // not found are told in the order given, after the run.
    for (const QString jobs : {"1", "3"}) {
        const std::string folder = out.PathOf("jobs" + jobs.toStdString());
        EXPECT_TRUE(Ended(split(folder, {"--jobs", jobs, "--", "5193", "5", "0004", "9975", "1000",
                                         "x", "05193", "4", "5"}),
                          1, NotFound({"5", "x", "5"})));
        EXPECT_EQ(Files(folder), (QStringList{"1000.pdf", "4.pdf", "5193.pdf", "9975.pdf"}));
    }
    for (const std::string name : {"1000.pdf", "4.pdf", "5193.pdf", "9975.pdf"})
        EXPECT_TRUE(bytes("jobs1/" + name) == bytes("jobs3/" + name)) << name;

    // A card name that leads, through links, to another card's file: that number is not drawn,
    // whether it comes before or after the file's own, so that the threads do not decide which
    // card the file keeps. A number not found leaves the status at 2.
    const std::string linked = out.PathOf("linked");
    std::filesystem::create_directory(linked);
    std::filesystem::create_symlink("next.pdf", linked + "/1000.pdf");
    std::filesystem::create_symlink("4.pdf", linked + "/next.pdf");
    const std::string refused = "velmaro: " + linked +
                                "/1000.pdf: a link to the card file of another number, " + linked +
                                "/4.pdf (no card for ";
    EXPECT_TRUE(Ended(split(linked, {"--jobs", "2", "1000", "0004", "01000", "5"}), 2,
                      refused + "1000)\n" + refused + "01000)\n" + NotFound({"5"})));
    EXPECT_TRUE(bytes("linked/4.pdf") == bytes("jobs1/4.pdf"));
    // A number not on file writes no file, and takes none from another: 5.pdf links to 5193's
    // (and 6.pdf to a data file).
    std::filesystem::create_symlink("5193.pdf", linked + "/5.pdf");
    std::filesystem::create_symlink(kSample.toStdString() + "/elenco.dir", linked + "/6.pdf");
    EXPECT_TRUE(Ended(split(linked, {"5", "5193", "6"}), 1, NotFound({"5", "6"})));
    // Nor does a card take the place of a data file that is a link to the card's name: that
    // number has no card, the data stays as it was, and the other cards come.
    const std::string data = out.PathOf("data"), holding = out.PathOf("holding");
    std::filesystem::copy(kSample.toStdString(), data);
    std::filesystem::create_directory(holding);
    std::filesystem::rename(data + "/velmara.dir", holding + "/5193.pdf");
    std::filesystem::create_symlink(holding + "/5193.pdf", data + "/velmara.dir");
    EXPECT_TRUE(Ended(split(holding, {"5193", "0004", "--jobs", "2"}, AsQString(data)), 2,
                      "velmaro: " + holding +
                          "/5193.pdf: one of the data files, which Velmaro only reads (no card "
                          "for 5193)\n"));
    EXPECT_TRUE(bytes("data/velmara.dir") ==
                testdata::FileBytes(kSample.toStdString() + "/velmara.dir"));
    EXPECT_TRUE(bytes("holding/4.pdf") == bytes("jobs1/4.pdf"));
    // A link that another user made in a folder of cards (which others may write to) is not
    // followed: it would choose which of the user's files the card replaces. The user's own
    // links are followed, as with -o.
    const std::string victim = out.PathOf("own-file"), planted = linked + "/9975.pdf";
    testdata::TempDataDir::WriteFile(victim, "mine");
    std::filesystem::create_symlink(victim, planted);
    if (::lchown(planted.c_str(), 4243, static_cast<gid_t>(-1)) == 0) {
        EXPECT_TRUE(Ended(split(linked, {"9975", "4"}), 2,
                          "velmaro: " + planted +
                              ": a link that another user (4243) made in the folder: it is not "
                              "followed (no card for 9975)\n"));
        EXPECT_TRUE(testdata::FileBytes(victim) == "mine");
        ASSERT_EQ(::lchown(planted.c_str(), ::geteuid(), static_cast<gid_t>(-1)), 0);
        EXPECT_TRUE(Ended(split(linked, {"9975"}), 0, ""));
        EXPECT_TRUE(testdata::FileBytes(victim).starts_with("%PDF-"));
    }

    for (const auto& [number, file] : {std::pair{"5193", "5193.pdf"}, {"0004", "4.pdf"}}) {
        EXPECT_EQ(
            Card(kSample, {"-o", AsQString(out.PathOf("single.pdf")), number}, fixedTime).exitCode,
            0);
        EXPECT_TRUE(bytes("single.pdf") == bytes("jobs1/" + std::string(file))) << number;
        EXPECT_THAT(bytes("single.pdf"), HasSubstr("/CreationDate (D:20231114221320"));
    }
    // A time that is no number of seconds makes no PDF: it would only look reproducible.
    for (const QString epoch : {"1e9", "-1", "+5", " 5", "253402300800"}) {
        const QString folder = AsQString(out.PathOf("bad"));
        EXPECT_TRUE(Ended(
            Card(kSample, {"--split", folder, "5193"}, Environment({{"SOURCE_DATE_EPOCH", epoch}})),
            2,
            "velmaro: SOURCE_DATE_EPOCH: not seconds since 1970 in digits alone, "
            "up to the year 9999: '" +
                epoch.toStdString() + "'\n"));
        EXPECT_FALSE(QDir(folder).exists());
    }
}

// A folder that is not there is made, with the folders above it that are missing, only for the
// run's first card: a run that draws none (every number not found, a list that cannot be read)
// leaves nothing behind and ends as it would have. One card makes them all, also when several
// threads reach their first card at once.
TEST(CardBatch, SplitMakesAMissingFolderOnlyForItsFirstCard) {
    const testdata::TempDataDir out;
    const std::string top = out.PathOf("new"), folder = top + "/cards/2025";
    const std::string missingList = out.PathOf("list");
    for (const auto& [numbers, status, err, cards] :
         {std::tuple<QStringList, int, std::string, int>{
              {"5", "x", "6"}, 1, NotFound({"5", "x", "6"}), 0},
          {{"--jobs", "2", "5", "6"}, 1, NotFound({"5", "6"}), 0},
          {{"--from", AsQString(missingList), "5193"},
           2,
           "velmaro: " + missingList + ": No such file or directory\n",
           0},
          {{"5", "5193"}, 1, NotFound({"5"}), 1},
          {{"--all", "--jobs", "4", "--quiet"}, 0, "", 400}}) {
        SCOPED_TRACE(numbers.join(' ').toStdString());
        EXPECT_TRUE(Ended(
            Card(kSample, QStringList{"--split", AsQString(folder), "--format=svg"} + numbers),
            status, err));
        if (cards == 0) {
            EXPECT_EQ(
                QDir(AsQString(out.DataDir())).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                QStringList{});
            continue;
        }
        EXPECT_EQ(Files(folder, true).size(), cards);
        EXPECT_TRUE(QFileInfo(AsQString(folder + "/5193.svg")).isFile());
        std::filesystem::remove_all(top);
    }
}

// Every student's card as a file of its own, each named by the registry number, also where
// files waiting to be flushed together, and each thread's store, hold descriptors: with many
// threads and a low limit of open files; with many threads and a limit of address space that
// leaves room for a few (each thread's memory pool, stack and page count, and the font library
// crashes where a thread's allocation fails); and where the system gives no more threads, the
// check and a split run do their work on the threads there are.
TEST(CardBatch, SplitWritesEveryCardWithFewOpenFilesOrWithoutThreads) {
    const QProcessEnvironment noThreads = WithFaults({{"VELMARO_NO_THREADS", "1"}});
    const auto check = RunVelmaro({"check", "--data-dir", kSample}, noThreads);
    EXPECT_TRUE(Ended(check, 0, ""));
    EXPECT_EQ(check.out, kSample.toStdString() + "/: no problems found\n");
    // Threads' stacks as large as ulimit -s 65536 gives them.
    const std::function<void()> littleAddressSpace = [space = Limiting(RLIMIT_AS, 600 << 20),
                                                      stack = Limiting(RLIMIT_STACK, 64 << 20)] {
        space();
        stack();
    };
    const QStringList all{"--all"};
    // Pages of 600 dpi, 174 MB each as drawn and in grey.
    const QStringList bigPages{"--dpi", "600", "4", "8", "5193"};
    for (const auto& [environment, inChild, jobs, format, cards] :
         {std::tuple{QProcessEnvironment(), Limiting(RLIMIT_NOFILE, 200), "64", "svg", all},
          std::tuple{QProcessEnvironment(), littleAddressSpace, "16", "pdf", all},
          std::tuple{QProcessEnvironment(), littleAddressSpace, "3", "png", bigPages},
          std::tuple{noThreads, std::function<void()>(), "8", "svg", all}}) {
        SCOPED_TRACE(std::string(jobs) + " " + format);
        const testdata::TempDataDir out;
        const std::string folder = out.PathOf("cards");
        EXPECT_TRUE(Ended(Card(kSample,
                               QStringList{"--split", AsQString(folder), "--jobs", jobs, "--format",
                                           format, "--quiet"} +
                                   cards,
                               environment, inChild),
                          0, ""));
        EXPECT_EQ(Files(folder).size(), cards == all ? 400 : 3);
        EXPECT_TRUE(Files(folder).contains(QStringLiteral("5193.") + format));
    }
}

// By default a split run draws on one thread per core the process may run on (not each core of
// the machine: a run started with taskset, or in a container given fewer cores): pinned to one
// core, it asks for no thread besides its own; free to run on several, it does.
TEST(CardBatch, SplitDrawsOnTheCoresTheProcessMayRunOn) {
    const std::function<void()> oneCore = [] {
        cpu_set_t one;
        CPU_ZERO(&one);
        CPU_SET(0, &one);
        ::sched_setaffinity(0, sizeof one, &one);
    };
    for (const bool pinned : {true, false}) {
        SCOPED_TRACE(pinned ? "on one core" : "on every core");
        const testdata::TempDataDir out;
        const auto run =
            Card(kSample, {"--split", AsQString(out.PathOf("cards")), "--quiet", "5193", "4", "8"},
                 WithFaults({{"VELMARO_NO_THREADS", "tell"}}), pinned ? oneCore : nullptr);
        EXPECT_EQ(run.exitCode, 0) << run.err;
        EXPECT_EQ(Files(out.PathOf("cards")).size(), 3);
        const bool told = run.err.find("velmaro-test: a thread was asked for") != std::string::npos;
        if (pinned || UsableCores() > 1) {
            EXPECT_EQ(told, !pinned) << run.err;
        }
    }
}

// Each file is named by the key its student was found by, whatever the rest of the record
// holds: records cut short after their key (21, 33), and a key written with leading blanks
// ("  123") followed by digits, all give files of their own; images as well as PDFs.
TEST(CardBatch, SplitNamesEachFileByTheKeyItsStudentWasFoundBy) {
    const testdata::TempDataDir data;
    testdata::WriteThreeStudents(data);
    data.Write("elenco.dir", testdata::Slots({"0002100001", "0003300001",
                                              "  123" + testdata::RegistryText(0).substr(5)},
                                             kRegistrySlotSize));
    EXPECT_TRUE(
        Ended(Card(AsQString(data.DataDir()), {"--all", "--split", AsQString(data.PathOf("cards")),
                                               "--jobs", "2", "--format", "png", "--quiet"}),
              0, ""));
    EXPECT_EQ(Files(data.PathOf("cards")), (QStringList{"123.png", "21.png", "33.png"}));
    EXPECT_GT(testdata::FileBytes(data.PathOf("cards/123.png")).size(), 1000u);
}

// A card name that cannot take its card (a folder in its place, a link that leads round in a
// loop or into a folder that is not there, a FIFO that nothing reads) leaves that number
// without a card, named in the order given, and the others are drawn.
// A folder or disk that takes no more files (here: files may not grow past 1024 bytes) stops
// the run with one line, named after the other numbers, and no file is left.
TEST(CardBatch, SplitLeavesANameThatCannotTakeItsCardAndStopsOnlyWhenNoFileFits) {
    const testdata::TempDataDir out;
    const std::string cards = out.PathOf("cards");
    ASSERT_TRUE(std::filesystem::create_directories(cards + "/50.pdf"));
    std::filesystem::create_symlink("loop.pdf", cards + "/8.pdf");
    std::filesystem::create_symlink("8.pdf", cards + "/loop.pdf");
    std::filesystem::create_symlink("missing/123.pdf", cards + "/123.pdf");
    const std::string fifo = cards + "/5193.pdf";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_TRUE(
        Ended(Card(kSample, {"--split", AsQString(cards), "--jobs", "2", "1", "4", "50", "8", "123",
                             "5193", "9975"}),
              2,
              NotFound({"1"}) + "velmaro: " + cards +
                  "/50.pdf: Is a directory (no card for 50)\nvelmaro: " + cards +
                  "/8.pdf: Too many levels of symbolic links (no card for 8)\nvelmaro: " + cards +
                  "/123.pdf: " + cards +
                  "/missing: No such file or directory (no card for 123)\nvelmaro: " + fifo +
                  ": a named pipe (FIFO) that no program reads (no card for 5193)\n"));
    EXPECT_EQ(Files(cards), (QStringList{"4.pdf", "9975.pdf"}));
    struct stat kept {};
    EXPECT_TRUE(::stat(fifo.c_str(), &kept) == 0 && S_ISFIFO(kept.st_mode));

    // In a folder others share (sticky, as /tmp), a file of another user's, even one anyone
    // may write, is not the user's to replace. The file is root's, the program runs as nobody:
    // a test that is not root cannot give a file to someone else.
    const auto refused = [](const std::string& folder) {
        return "velmaro: " + folder + "/50.pdf: Operation not permitted (no card for 50)\n";
    };
    if (::geteuid() == 0) {
        ASSERT_EQ(::chmod(out.DataDir().c_str(), 0755), 0);
        const std::string common = out.PathOf("common");
        ASSERT_EQ(::mkdir(common.c_str(), 0777), 0);
        ASSERT_EQ(::chmod(common.c_str(), 01777), 0);
        out.Write("common/50.pdf", "someone else's");
        ASSERT_EQ(::chmod((common + "/50.pdf").c_str(), 0666), 0);
        const auto asNobody = [] {
            if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(99);
        };
        EXPECT_TRUE(
            Ended(Card(kSample, {"--split", AsQString(common), "--jobs", "2", "4", "50", "9975"},
                       {}, asNobody),
                  2, refused(common)));
        EXPECT_EQ(Files(common, true), (QStringList{"4.pdf", "50.pdf", "9975.pdf"}));
        EXPECT_EQ(testdata::FileBytes(common + "/50.pdf"), "someone else's");
    }

    // A number refused before the run (its card name a link to a data file) is named too,
    // though the run stopped before it reached it.
    const std::string small = out.PathOf("small");
    ASSERT_TRUE(std::filesystem::create_directories(small));
    std::filesystem::create_symlink(kSample.toStdString() + "/elenco.dir", small + "/50.pdf");
    EXPECT_TRUE(
        Ended(Card(kSample, {"--split", AsQString(small), "--jobs", "1", "1", "4", "8", "50"}, {},
                   Limiting(RLIMIT_FSIZE, 1024)),
              2,
              NotFound({"1"}) + "velmaro: " + small +
                  "/50.pdf: one of the data files, which Velmaro only reads (no card for "
                  "50)\nvelmaro: " +
                  small + "/4.pdf: File too large\n"));
    EXPECT_EQ(Files(small, true), QStringList{"50.pdf"});

    if (::geteuid() != 0) return;
    // The superuser replaces another user's file in a sticky folder (nobody's, here) only
    // while it holds the right to override file owners, which a container or a service may
    // have taken away. The test needs that right, and the right to take it from the program.
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct rights[_LINUX_CAPABILITY_U32S_3]{};
    ASSERT_EQ(::syscall(SYS_capget, &header, rights), 0);
    for (const int right : {CAP_FOWNER, CAP_SETPCAP}) {
        if ((rights[CAP_TO_INDEX(right)].effective & CAP_TO_MASK(right)) == 0)
            GTEST_SKIP() << "the test runs without the right " << right;
    }
    const std::string theirs = out.PathOf("theirs");
    ASSERT_EQ(::mkdir(theirs.c_str(), 01777), 0);
    ASSERT_EQ(::chmod(theirs.c_str(), 01777), 0);
    out.Write("theirs/50.pdf", "nobody's");
    ASSERT_EQ(::chown(theirs.c_str(), 65534, 65534), 0);
    ASSERT_EQ(::chown((theirs + "/50.pdf").c_str(), 65534, 65534), 0);
    const auto withoutTheRight = [] {
        if (::prctl(PR_CAPBSET_DROP, CAP_FOWNER, 0, 0, 0) != 0) ::_exit(99);
    };
    const QStringList numbers{"--split", AsQString(theirs), "--jobs", "2", "4", "50", "9975"};
    EXPECT_TRUE(Ended(Card(kSample, numbers, {}, withoutTheRight), 2, refused(theirs)));
    EXPECT_EQ(testdata::FileBytes(theirs + "/50.pdf"), "nobody's");
    EXPECT_TRUE(Ended(Card(kSample, numbers), 0, ""));
    EXPECT_GT(testdata::FileBytes(theirs + "/50.pdf").size(), 1000u);
    EXPECT_EQ(Files(theirs, true), (QStringList{"4.pdf", "50.pdf", "9975.pdf"}));
}

// A folder that cannot be flushed once it took the cards (a disk failing) stops the run with
// status 2, naming the folder and saying its cards are in place: none is said to have no card.
// A folder the run makes is flushed into the folder above it, which is named alike.
TEST(CardBatch, AFolderThatCannotBeFlushedIsNamedWithItsCardsInPlace) {
    const testdata::TempDataDir out;
    const std::string folder = out.PathOf("cards");
    ASSERT_TRUE(std::filesystem::create_directory(folder));
    for (const auto& [into, what] :
         {std::pair{folder, "files put in it are"}, {folder + "/made", "folder made in it is"}}) {
        EXPECT_TRUE(
            Ended(Card(kSample, {"--split", AsQString(into), "--jobs", "2", "4", "50", "5193"},
                       WithFaults({{"VELMARO_UNFLUSHED_FOLDERS", "1"}})),
                  2,
                  "velmaro: " + folder +
                      ": could not flush the folder to the disk (Input/output error): the " + what +
                      " in place but may not survive a crash\n"));
    }
    EXPECT_EQ(Files(folder, true), (QStringList{"4.pdf", "50.pdf", "5193.pdf"}));
    EXPECT_TRUE(QDir(AsQString(folder + "/made")).isEmpty());
}

// What became of each number is said as the run goes, in the order given, not held until
// every card is drawn: interrupted as soon as its first number is said not found, a run of
// every student (ended by SIGTERM) has said it, and stops with most of its cards not drawn.
// A disk that loses what is written stops a run of several threads: each number reached is
// named, the one whose failure stopped the run last, and none is in place. A card drawn but kept
// from its place is never left unsaid.
TEST(CardBatch, SplitNamesEveryNumberWhoseCardADiskLost) {
    const testdata::TempDataDir out;
    const std::string folder = out.PathOf("cards");
    // Made before: a folder the run made would be flushed, and lost, before any card.
    ASSERT_TRUE(std::filesystem::create_directory(folder));
    const ProcessRun run =
        Card(kSample, {"--all", "--split", AsQString(folder), "--jobs", "3", "--quiet"},
             WithFaults({{"VELMARO_LOST_WRITES", "1"}}));
    EXPECT_EQ(run.exitCode, 2) << run.err;
    EXPECT_EQ(Files(folder, true), QStringList{});
    // The numbers named, in the order said: those without a card, then the one that stopped it.
    std::vector<int> named;
    std::istringstream lines(run.err);
    const std::string lost = ".pdf: Input/output error";
    for (std::string line; std::getline(lines, line);) {
        const std::size_t at = line.find(lost);
        ASSERT_NE(at, std::string::npos) << line;
        const std::size_t name = line.rfind('/', at) + 1;
        named.push_back(std::stoi(line.substr(name, at - name)));
        EXPECT_EQ(line.substr(at + lost.size()),
                  lines.peek() == EOF ? "" : " (no card for " + std::to_string(named.back()) + ")");
    }
    ASSERT_GE(named.size(), 2u) << run.err;
    // In the order of the registry, and without a gap: every number reached.
    EXPECT_TRUE(std::is_sorted(named.begin(), named.end() - 1)) << run.err;
    std::ranges::sort(named);
    const std::vector<int> keys = SampleKeys();
    EXPECT_EQ(named, std::vector(keys.begin(), keys.begin() + static_cast<long>(named.size())));
}

TEST(CardBatch, SplitSaysWhatBecameOfEachNumberAsTheRunGoes) {
    std::string numbers = "1\n";
    for (const int key : SampleKeys())
        numbers += std::to_string(key) + "\n";
    const testdata::TempDataDir out;
    out.Write("numbers", numbers);
    const QString folder = AsQString(out.PathOf("cards"));
    const ProcessRun run = RunVelmaroScript(
        QString("\"$VELMARO\" '%1' 2> '%2' & while [ ! -s '%2' ] && kill -0 $!; do sleep 0.005; "
                "done; kill -TERM $!; wait $!; echo \"status $?\"")
            .arg(CardOf(kSample, {"--split", folder, "--format", "png", "--jobs", "2", "--from",
                                  AsQString(out.PathOf("numbers"))})
                     .join("' '"),
                 AsQString(out.PathOf("said"))));
    EXPECT_EQ(run.out, "status 143\n");
    EXPECT_EQ(testdata::FileBytes(out.PathOf("said")), NotFound({"1"}));
    EXPECT_LT(QDir(folder).entryList(QDir::Files).size(), 400);
}

// Memory that runs out, on the main thread or another, ends a run with one line and status 2
// instead of a crash, and leaves no file half written: a registry too large to read whole
// for the check, a --from list too large to read, a split whose second thread gets nothing.
// Failing inside Qt's font loading on the second thread left its lock held, and the first
// thread waited for it for ever; failing while an SVG card was drawn aborted.
TEST(CardBatch, MemoryRunningOutIsAMessageAndLeavesNoFileHalfWritten) {
    const auto scarce = [](const char* from, bool offMainOnly) {
        QProcessEnvironment environment = WithFaults({{"VELMARO_FAIL_ALLOCATIONS_FROM", from}});
        if (offMainOnly) environment.insert("VELMARO_FAIL_ALLOCATIONS_OFF_MAIN", "1");
        return environment;
    };
    const testdata::TempDataDir data, out;
    CopySample(data);
    std::filesystem::resize_file(data.PathOf("elenco.dir"), 80 << 20);
    data.Write("numbers.txt", std::string(30 << 20, '7'));
    const std::string outOfMemory = "velmaro: out of memory\n";
    EXPECT_TRUE(Ended(
        RunVelmaro({"check", "--data-dir", AsQString(data.DataDir())}, scarce("33554432", false)),
        2, outOfMemory));
    EXPECT_TRUE(Ended(Card(kSample,
                           {"--from", AsQString(data.PathOf("numbers.txt")), "-o",
                            AsQString(out.PathOf("all.pdf"))},
                           scarce("16777216", false)),
                      2, outOfMemory));
    for (const auto& [from, format] :
         {std::pair{"65536", "pdf"}, {"2048", "pdf"}, {"65536", "svg"}}) {
        SCOPED_TRACE(std::string(from) + format);
        const std::string folder = out.PathOf(std::string("cards") + from + format);
        EXPECT_TRUE(Ended(Card(kSample,
                               {"--all", "--split", AsQString(folder), "--jobs", "2", "--format",
                                format, "--quiet"},
                               scarce(from, true)),
                          2, outOfMemory));
        for (const QString& name : Files(folder, true))
            EXPECT_FALSE(name.startsWith('.')) << name.toStdString();
    }
    EXPECT_EQ(Files(out.DataDir(), true), QStringList());
}

// A data folder holding the registry and the tables only: the cards come, with one warning for
// each record file missing, which shows the control characters of the folder's name escaped.
// An empty record file (a copy cut off), or a table of no lines, is warned of as well; the
// window says the same before it opens (its boxes closed at once here).
TEST(CardBatch, MissingRecordFilesAreWarnedOfOnceAndCardsStillCome) {
    const testdata::TempDataDir data;
    CopySample(data, "p\x1b[2Jq");
    const std::string folder = data.PathOf("p\x1b[2Jq"), shown = data.PathOf("p\\x1b[2Jq");
    std::filesystem::remove(folder + "/esami.dir");
    std::filesystem::resize_file(folder + "/velmara.dir", 0);
    std::filesystem::resize_file(folder + "/titoli.grp", 0);
    // The registry cut within its last record: the students before it are still found.
    std::filesystem::resize_file(folder + "/elenco.dir",
                                 std::filesystem::file_size(folder + "/elenco.dir") - 10);
    const std::vector<std::string> lacking = {
        "/esami.dir is missing: the cards' exam records read as empty\n",
        "/velmara.dir is empty: the cards' career-year records read as empty\n",
        "/elenco.dir ends within a record (52 of 62 bytes), as a copy cut short does: students "
        "past its end are not found\n",
        "/titoli.grp holds no lines: the cards show no diploma titles\n"};
    std::string warnings;
    for (const std::string& warning : lacking)
        warnings += "velmaro: warning: " + shown + warning;
    const auto run = Card(AsQString(folder), {"--format=ops", "--metrics=fixed", "5193", "4"});
    EXPECT_TRUE(Ended(run, 0, warnings));
    EXPECT_EQ(CardLines(run.out).size(), 2u);
    const auto window = RunVelmaro({"--data-dir", AsQString(folder), "--quit-after-show", "5193"},
                                   Environment({{"QT_QPA_PLATFORM", "offscreen"}}));
    EXPECT_EQ(window.exitCode, 0) << window.err;
    for (const std::string& warning : lacking)
        EXPECT_THAT(window.err, HasSubstr("velmaro: " + shown + warning));
}

// A registry whose last record holds no key (an empty slot appended: a copy preallocated) finds
// no student, as every search stops at the last record's key: said before the first lookup, by
// the cards and by the window alike.
TEST(CardBatch, ARegistryEndingInARecordWithoutAKeyIsWarnedOf) {
    const testdata::TempDataDir data;
    CopySample(data);
    const std::string warning = data.PathOf("elenco.dir") +
                                " ends with a record whose key is no number of 1 or more: lookups "
                                "go no higher than the last record's key, so no student is found\n";
    std::ofstream(data.PathOf("elenco.dir"), std::ios::binary | std::ios::app)
        << std::string(62, '\0');
    const QString dataDir = AsQString(std::filesystem::path(data.DataDir()).parent_path().string());
    EXPECT_TRUE(Ended(Card(dataDir, {"--format=ops", "--metrics=fixed", "4"}), 1,
                      "velmaro: warning: " + warning + NotFound({"4"})));
    const auto window = RunVelmaro({"--data-dir", dataDir, "--quit-after-show"},
                                   Environment({{"QT_QPA_PLATFORM", "offscreen"}}));
    EXPECT_THAT(window.err, HasSubstr("velmaro: " + warning));
}

// A keeper who writes into a record file (saves into it, cuts it) while cards are drawn: a card
// read meanwhile could hold part of the old records and part of the new, with no sign on it.
// No card drawn after the file changed goes in place, and the run says so, status 2. A file
// replaced whole under its name is no such change: each card reads its files all old or all
// new.
TEST(CardBatch, CardsDrawnAfterARecordFileIsWrittenIntoAreNotKept) {
    const testdata::TempDataDir data, out;
    CopySample(data);
    const std::string exams = data.PathOf("esami.dir");
    const std::string wholeExams = testdata::FileBytes(exams);
    const QString dataDir = AsQString(std::filesystem::path(exams).parent_path().string());
    // The sample's cards, each as drawn from the files left alone.
    const std::string reference = out.PathOf("reference");
    ASSERT_EQ(Card(dataDir, {"--all", "--format=svg", "--split", AsQString(reference)}).exitCode,
              0);
    // The keeper writes the first half of the exams over the file when the program opens the
    // file named whenOpening for the at-th time, or replaces the file by them.
    const auto keeper = [&](const QString& whenOpening, const QString& at, bool inPlace) {
        data.Write("saved", wholeExams.substr(0, wholeExams.size() / 2));
        QProcessEnvironment faults =
            WithFaults({{"VELMARO_REPLACE_WHEN_OPENING", whenOpening},
                        {"VELMARO_REPLACE_AT_OPENING", at},
                        {"VELMARO_REPLACE_FROM", AsQString(data.PathOf("saved"))},
                        {"VELMARO_REPLACE_TO", AsQString(exams)}});
        if (inPlace) faults.insert("VELMARO_REPLACE_IN_PLACE", "1");
        return faults;
    };
    const std::string said = "velmaro: " + exams +
                             ": written into while the cards were drawn: a card drawn since could "
                             "mix its records before and after; draw the cards again once it is "
                             "written\n";

    // One file per student: the file is written into at the 100th card's file (each is made
    // in the folder "/cards"), after some cards were put in place, 32 at a time on each thread.
    // Those are the cards drawn from the whole file; the others are not kept, on one thread or
    // two.
    for (const QString jobs : {"1", "2"}) {
        SCOPED_TRACE("jobs " + jobs.toStdString());
        const std::string cards = out.PathOf("jobs" + jobs.toStdString() + "/cards");
        EXPECT_TRUE(Ended(
            Card(dataDir, {"--all", "--format=svg", "--split", AsQString(cards), "--jobs", jobs},
                 keeper("/cards", "100", true)),
            2, said));
        const QStringList kept = Files(cards);
        EXPECT_FALSE(kept.isEmpty());
        EXPECT_LT(kept.size(), 100);
        std::vector<std::string> differing;
        for (const QString& card : kept) {
            if (testdata::FileBytes(cards + "/" + card.toStdString()) !=
                testdata::FileBytes(reference + "/" + card.toStdString()))
                differing.push_back(card.toStdString());
        }
        EXPECT_EQ(differing, std::vector<std::string>());
        testdata::TempDataDir::WriteFile(exams, wholeExams);
    }

    // Into one file, in each format, or standard output: the file is written into as the
    // registry is opened, after the run looked at it; nothing is written. The run looks again
    // before each card's records are read: no card drawn from the file written into goes out.
    // Or written into as the card's own file is made in the folder "/late" (the second file
    // opened there: the first tells whether the folder takes files at all), after the last look
    // before its records were read: the look before the file goes in place finds it.
    ASSERT_TRUE(QDir().mkpath(AsQString(out.PathOf("late"))));
    for (const auto& [options, name, whenOpening, at] :
         {std::tuple{QStringList{"--all"}, "all.pdf", "/elenco.dir", "1"},
          {QStringList{"--all"}, "all.ops", "/elenco.dir", "1"},
          {QStringList{"--dpi=30", "5193"}, "5193.png", "/elenco.dir", "1"},
          {QStringList{"5193"}, "5193.svg", "/elenco.dir", "1"},
          {QStringList{"--format=ops", "--metrics=fixed", "5193"}, "-", "/elenco.dir", "1"},
          {QStringList{"5193"}, "late/5193.svg", "/late", "2"},
          {QStringList{"--dpi=30", "5193"}, "late/5193.png", "/late", "2"}}) {
        SCOPED_TRACE(name);
        const QString file = std::string(name) == "-" ? "-" : AsQString(out.PathOf(name));
        const ProcessRun run =
            Card(dataDir, options + QStringList{"-o", file}, keeper(whenOpening, at, true));
        EXPECT_TRUE(Ended(run, 2, said));
        EXPECT_EQ(run.out, "");
        EXPECT_FALSE(file != "-" && QFileInfo::exists(file));
        testdata::TempDataDir::WriteFile(exams, wholeExams);
    }

    // Replaced whole, the run goes on and succeeds, the cards drawn after from the new file.
    const std::string cards = out.PathOf("replaced");
    EXPECT_TRUE(
        Ended(Card(dataDir, {"--all", "--format=svg", "--split", AsQString(cards), "--jobs", "1"},
                   keeper("/cards", "100", false)),
              0, ""));
    EXPECT_EQ(Files(cards).size(), 400);
}

// A keeper who saves a record file anew by removing it and writing it again: the cards reached
// meanwhile wait for it (up to two seconds, once) and all come, on one thread or two. Removed for
// good, it costs that one wait: every card after it is named without its card, status 2.
TEST(CardBatch, ARecordFileAwayForAMomentIsWaitedForOnce) {
    const testdata::TempDataDir data, out;
    CopySample(data);
    const std::string exams = data.PathOf("esami.dir"), away = data.PathOf("away");
    // Moved away as the 100th card's file is begun in the folder "/cards".
    const QProcessEnvironment movedAway = WithFaults({{"VELMARO_REPLACE_WHEN_OPENING", "/cards"},
                                                      {"VELMARO_REPLACE_AT_OPENING", "100"},
                                                      {"VELMARO_REPLACE_FROM", AsQString(exams)},
                                                      {"VELMARO_REPLACE_TO", AsQString(away)}});
    const auto run = [&](const std::string& folder, const QString& jobs) {
        return Card(AsQString(data.DataDir()),
                    {"--all", "--format=svg", "--split", AsQString(out.PathOf(folder) + "/cards"),
                     "--jobs", jobs},
                    movedAway);
    };
    for (const QString jobs : {"1", "2"}) {
        SCOPED_TRACE("jobs " + jobs.toStdString());
        // The keeper puts it back 300 ms after it went.
        std::thread keeper([&] {
            for (int waited = 0; waited < 6000 && !QFileInfo::exists(AsQString(away)); ++waited)
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            std::rename(away.c_str(), exams.c_str());
        });
        const ProcessRun back = run("back" + jobs.toStdString(), jobs);
        keeper.join();
        EXPECT_TRUE(Ended(back, 0, ""));
        EXPECT_EQ(Files(out.PathOf("back" + jobs.toStdString() + "/cards")).size(), 400);
    }
    const ProcessRun gone = run("gone", "2");
    ASSERT_EQ(gone.exitCode, 2) << gone.err;
    std::istringstream lines(gone.err);
    int named = 0;
    for (std::string line; std::getline(lines, line); ++named)
        EXPECT_THAT(line, ::testing::MatchesRegex("velmaro: .*/esami\\.dir: No such file or "
                                                  "directory \\(no card for [0-9]+\\)"));
    EXPECT_GT(named, 200);
    EXPECT_EQ(Files(out.PathOf("gone/cards")).size() + named, 400);
}

// A card that runs past the bottom of its page (here 5193's, its exam count raised so that it
// takes the next students' exams too, dated after its graduation) is still drawn, and warned
// of once, in every format that has a page and however many threads draw it; so is one whose
// exam names run past the page's right edge, and one cut off at both.
TEST(CardBatch, ACardLongerThanItsPageIsWarnedOfOnce) {
    const testdata::TempDataDir tall, wide, both, out;
    for (const testdata::TempDataDir* data : {&tall, &wide, &both})
        CopySample(*data);
    std::string registry = testdata::FileBytes(tall.PathOf("elenco.dir"));
    const std::size_t student = registry.find("05193");
    ASSERT_NE(student, std::string::npos);
    registry.replace(student + 44, 2, "45");
    // Every exam name ninety letters longer: the sample's 5193 runs past the right edge.
    std::string names = testdata::FileBytes(tall.PathOf("esami.grp"));
    for (std::size_t end = 0; (end = names.find('\r', end)) != std::string::npos; end += 91)
        names.insert(end, std::string(90, 'M'));
    tall.Write("elenco.dir", registry);
    both.Write("elenco.dir", registry);
    wide.Write("esami.grp", names);
    both.Write("esami.grp", names);
    const auto cutOff = [](const std::string& edges) {
        return "velmaro: warning: the card of 05193 runs past " + edges +
               " of its page, where it is cut off (the window shows it whole)\n";
    };
    const QString card = AsQString(out.PathOf("card"));
    for (const auto& [data, edges] : {std::pair{&tall, "the bottom"},
                                      {&wide, "the right edge"},
                                      {&both, "the bottom and the right edge"}}) {
        SCOPED_TRACE(edges);
        const QString folder = AsQString(data->DataDir());
        for (const char* format : {"pdf", "png", "svg"})
            EXPECT_TRUE(
                Ended(Card(folder, {"05193", "--format", format, "-o", card}), 0, cutOff(edges)));
        EXPECT_TRUE(Ended(Card(folder, {"05193", "--split", AsQString(out.PathOf("wide"))}), 0,
                          cutOff(edges)));
    }
    // Once for the card, among others in one PDF, and on several threads with its number twice.
    const QString tallData = AsQString(tall.DataDir());
    EXPECT_TRUE(Ended(Card(tallData, {"4", "05193", "-o", AsQString(out.PathOf("cards.pdf"))}), 0,
                      cutOff("the bottom")));
    EXPECT_TRUE(Ended(Card(tallData, {"05193", "5193", "4", "--jobs", "2", "--split",
                                      AsQString(out.PathOf("split"))}),
                      0, cutOff("the bottom")));
    // The recording's page has no bottom edge; the sample's own card fits its page.
    EXPECT_TRUE(Ended(Card(tallData, {"05193", "--format", "ops"}), 0, ""));
    EXPECT_TRUE(Ended(Card(kSample, {"5193", "-o", AsQString(out.PathOf("a.pdf"))}), 0, ""));
}

// A clock that the test moves by hand.
struct ManualClock {
    std::chrono::steady_clock::time_point now{};
    CardProgress::Clock Get() {
        return [this] { return now; };
    }
};

TEST(CardProgress, UpdatesAFewTimesASecondAndNotForShortRuns) {
    ManualClock clock;
    // What a progress of total cards writes when they come one every step, and whether a
    // message before Finish would find a blank line.
    const auto written = [&clock](int total, bool enabled, std::chrono::milliseconds step) {
        std::ostringstream out;
        CardProgress progress(out, total, enabled, clock.Get());
        for (int i = 0; i < total; ++i) {
            clock.now += step;
            progress.CardDone();
        }
        // Clearing writes blanks over the whole last line shown and returns to its start.
        const std::string shown = out.str();
        progress.ClearLine();
        const std::string lastLine = shown.substr(shown.rfind('\r') + 1);
        const std::size_t width = lastLine.find_last_not_of(' ') + 1;
        const bool blank = shown.empty()
                               ? out.str().empty()
                               : out.str() == shown + '\r' + std::string(width, ' ') + '\r';
        progress.Finish();
        return std::pair{out.str(), blank};
    };
    EXPECT_EQ(written(10, true, std::chrono::milliseconds(0)).first, "");
    EXPECT_EQ(written(1000, false, std::chrono::milliseconds(2)).first, "");
    // 1000 cards over two seconds.
    const auto [text, blank] = written(1000, true, std::chrono::milliseconds(2));
    EXPECT_TRUE(blank) << text;
    const auto updates = std::count(text.begin(), text.end(), '\r');
    EXPECT_GE(updates, 7);
    EXPECT_LE(updates, 2 * CardProgress::kUpdatesPerSecond + 3);
    EXPECT_TRUE(text.ends_with("1000/1000 cards (100%), 500.0 cards/s\n")) << text;
    EXPECT_NE(text.find("\r125/1000 cards (12%), 500.0 cards/s, 2 s left"), std::string::npos)
        << text;
    // A message from another thread comes on a line of its own, and the line is shown again.
    std::ostringstream out;
    CardProgress progress(out, 10, true, clock.Get());
    clock.now += std::chrono::seconds(1);
    progress.CardDone();
    progress.Interject(out, "Matricola NON Trovata: 1\n");
    clock.now += std::chrono::seconds(1);
    progress.CardDone();
    const std::string first = "1/10 cards (10%), 1.0 cards/s, 9 s left";
    EXPECT_EQ(out.str(),
              "\r" + first + "\r" + std::string(first.size(), ' ') +
                  "\rMatricola NON Trovata: 1\n\r2/10 cards (20%), 1.0 cards/s, 8 s left");
    // Long runs count their time left in minutes and hours; at the edges: a whole minute, a
    // whole hour, and 119.6 s counted up to 2 minutes.
    for (const auto& [done, total, line] :
         {std::tuple{10, 1250, "10/1250 cards (0%), 10.0 cards/s, 2 min 4 s left"},
          {10, 100000, "10/100000 cards (0%), 10.0 cards/s, 2 h 46 min left"},
          {1, 61, "1/61 cards (1%), 1.0 cards/s, 1 min 0 s left"},
          {1, 3601, "1/3601 cards (0%), 1.0 cards/s, 1 h 0 min left"},
          {5, 603, "5/603 cards (0%), 5.0 cards/s, 2 min 0 s left"}})
        EXPECT_EQ(CardProgress::Line(done, total, 1.0), line);
}

// On a narrow terminal the line is cut short of the last column, blanks included: a line that
// wraps leaves a row behind at every update.
TEST(CardProgress, NeverWrapsOnANarrowTerminal) {
    ManualClock clock;
    std::ostringstream out;
    std::size_t columns = 30;
    CardProgress progress(out, 100000, true, clock.Get(), [&columns] { return columns; });
    for (int i = 0; i < 10000; ++i) {
        clock.now += std::chrono::milliseconds(1);
        if (i == 5000) columns = 20;  // narrowed on the way
        progress.CardDone();
    }
    progress.ClearLine();
    const std::string text = out.str();
    ASSERT_NE(text.find("cards"), std::string::npos);
    std::size_t widest = 0;
    for (std::size_t start = 0; start < text.size();) {
        const std::size_t end = std::min(text.find('\r', start), text.size());
        widest = std::max(widest, end - start);
        start = end + 1;
    }
    EXPECT_EQ(widest, 29u) << text;
    EXPECT_TRUE(text.ends_with('\r' + std::string(19, ' ') + '\r')) << text;
    // A terminal of one column takes nothing but the returns.
    columns = 1;
    for (int i = 0; i < 1000; ++i) {
        clock.now += std::chrono::milliseconds(1);
        progress.CardDone();
    }
    EXPECT_EQ(out.str().find_first_not_of('\r', text.size()), std::string::npos) << out.str();
}

// A reader of the cards that goes away (`velmaro card --all | head`) ends the run by SIGPIPE,
// as any filter's, but the progress line is ended first: the shell's prompt does not land on it.
TEST(CardProgress, IsEndedWhenTheCardsReaderGoesAway) {
    int terminal = -1, side = -1;
    ASSERT_EQ(::openpty(&terminal, &side, nullptr, nullptr, nullptr), 0);
    int cards[2] = {-1, -1};
    ASSERT_EQ(::pipe2(cards, O_CLOEXEC), 0);
    const testdata::TempDataDir folder;
    std::string numbers;
    for (int i = 0; i < 20000; ++i)
        numbers += "5193\n";
    folder.Write("numbers", numbers);
    // Reads the cards until the progress shows, then stops reading them.
    std::string shown;
    std::thread reader([&] {
        std::array<char, 65536> buffer{};
        while (shown.find("cards/s") == std::string::npos) {
            pollfd both[2] = {{terminal, POLLIN, 0}, {cards[0], POLLIN, 0}};
            if (::poll(both, 2, 30000) <= 0) break;
            if (both[0].revents & POLLIN) {
                const ssize_t got = ::read(terminal, buffer.data(), buffer.size());
                if (got <= 0) break;
                shown.append(buffer.data(), static_cast<std::size_t>(got));
            }
            if ((both[1].revents & POLLIN) && ::read(cards[0], buffer.data(), buffer.size()) <= 0)
                break;
        }
        ::close(cards[0]);
    });
    const auto run =
        RunVelmaro({"card", "--format=ops", "--metrics=fixed", kToday, "--data-dir", kSample,
                    "--from", QString::fromStdString(folder.PathOf("numbers"))},
                   {}, {}, {}, [&] {
                       ::dup2(side, STDERR_FILENO);
                       ::dup2(cards[1], STDOUT_FILENO);
                   });
    reader.join();
    ::close(cards[1]);
    ::close(side);
    EXPECT_EQ(run.exitCode, -1);  // ended by the signal
    ::fcntl(terminal, F_SETFL, O_NONBLOCK);
    std::array<char, 4096> buffer{};
    for (ssize_t got; (got = ::read(terminal, buffer.data(), buffer.size())) > 0;)
        shown.append(buffer.data(), static_cast<std::size_t>(got));
    ::close(terminal);
    ASSERT_NE(shown.find("cards/s"), std::string::npos) << shown;
    EXPECT_TRUE(shown.ends_with("\n")) << shown;
    // The write that failed is no failure of the run's own to report.
    EXPECT_EQ(shown.find("velmaro:"), std::string::npos) << shown;
}

// Progress goes to a terminal, never amid the cards when they go to the same one (by a
// descriptor or by any name of it), nor when quiet.
TEST(CardProgress, IsShownOnATerminalThatTheCardsDoNotGoTo) {
    int terminal = -1, side = -1, other = -1, otherSide = -1;
    char terminalName[128] = {};
    ASSERT_EQ(::openpty(&side, &terminal, terminalName, nullptr, nullptr), 0);
    ASSERT_EQ(::openpty(&otherSide, &other, nullptr, nullptr, nullptr), 0);
    const int file = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    EXPECT_TRUE(ShowsProgress(false, terminal, false));
    EXPECT_FALSE(ShowsProgress(false, terminal, true));
    EXPECT_FALSE(ShowsProgress(true, terminal, false));
    EXPECT_FALSE(ShowsProgress(false, file, false));
    const winsize narrow{12, 40, 0, 0};
    ASSERT_EQ(::ioctl(terminal, TIOCSWINSZ, &narrow), 0);
    EXPECT_EQ(TerminalColumns(terminal), 40u);
    EXPECT_EQ(TerminalColumns(file), 0u);

    const testdata::TempDataDir folder;
    folder.Write("cards.ops", "");
    EXPECT_TRUE(CardsReachTerminalOf(terminal, terminal, ""));
    EXPECT_TRUE(CardsReachTerminalOf(terminal, -1, terminalName));
    EXPECT_TRUE(CardsReachTerminalOf(terminal, -1, "/dev/fd/" + std::to_string(terminal)));
    EXPECT_FALSE(CardsReachTerminalOf(terminal, other, ""));  // another terminal
    EXPECT_FALSE(CardsReachTerminalOf(terminal, file, ""));
    EXPECT_FALSE(CardsReachTerminalOf(file, file, ""));
    for (const std::string& elsewhere : {std::string("/dev/null"), folder.PathOf("cards.ops"),
                                         folder.PathOf("missing"), folder.DataDir()})
        EXPECT_FALSE(CardsReachTerminalOf(terminal, -1, elsewhere)) << elsewhere;
    for (const int descriptor : {terminal, side, other, otherSide, file})
        ::close(descriptor);
}

}  // namespace
}  // namespace velmaro::testing
