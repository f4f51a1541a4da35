// Ctrl+C, SIGTERM and a reader that has gone (SIGPIPE) in the middle of a run of cards: the
// user's folder keeps only whole cards, with no hidden temporary file, and the program ends by
// the signal, as a shell loop expects.
// The runs write where files cannot be made unnamed (as on a network share), so that files
// being written show as hidden temporary files.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFileInfo>
#include <QProcessEnvironment>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <optional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "tests/app/run_velmaro.h"
#include "tests/store/data_files.h"
#include "tools/sample_data.h"

namespace velmaro::testing {
namespace {

// Enough students that a run is still drawing when the signal comes.
std::string WriteManyStudents(const testdata::TempDataDir& folder) {
    sample::SampleDataOptions options;
    options.studentCount = 6000;
    options.maxMatricola = 99999;
    options.includeSpecialCases = false;
    options.shareRunsBeyondRecordLimit = true;
    const std::string data = folder.PathOf("data");
    EXPECT_TRUE(QDir().mkpath(QString::fromStdString(data)));
    EXPECT_TRUE(sample::WriteSampleDataSet(data, options).ok());
    return data;
}

// The keys of the registry of data, in their order (the order of --all).
std::vector<int> RegistryKeys(const QString& data) {
    const std::string registry = testdata::FileBytes(data.toStdString() + "/elenco.dir");
    std::vector<int> keys;
    for (std::size_t slot = 0; slot + 7 <= registry.size(); slot += 62)
        keys.push_back(std::stoi(registry.substr(slot + 2, 5)));
    return keys;
}

// The entries of folder, hidden ones included.
QStringList Entries(const std::string& folder) {
    return QDir(QString::fromStdString(folder))
        .entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
}

// Whether folder holds cards in place and hidden temporary files of cards still being written.
bool HoldsWholeAndUnfinished(const std::string& folder) {
    const QStringList entries = Entries(folder);
    const auto hidden = std::count_if(entries.begin(), entries.end(),
                                      [](const QString& name) { return name.startsWith('.'); });
    return hidden > 0 && hidden < entries.size();
}

TEST(Interruption, ARunOfCardsKeepsOnlyWholeFilesAndEndsByTheSignal) {
    const testdata::TempDataDir folder;
    const QString data = QString::fromStdString(WriteManyStudents(folder));
    const QProcessEnvironment noUnnamedFiles = WithFaults({{"VELMARO_NO_UNNAMED_FILES", "1"}});
    // A split run, once some cards are in place and others still hidden temporary files. SIGPIPE
    // is what a write to a pipe whose reader has gone raises (standard error's, mid-run).
    // The cards drawn go in place: the folder holds the first students' cards, without a gap
    // that a clerk who goes on from the last file would never see, whichever thread drew them.
    const std::vector<int> keys = RegistryKeys(data);
    for (const int signal : {SIGINT, SIGTERM, SIGPIPE}) {
        const std::string cards = folder.PathOf("cards" + std::to_string(signal));
        EXPECT_EQ(
            InterruptVelmaro(
                {"card", "--all", "--split", AsQString(cards), "--jobs", "4", "--data-dir", data},
                [&] { return HoldsWholeAndUnfinished(cards); }, {signal}, noUnnamedFiles),
            signal);
        const QStringList entries = Entries(cards);
        EXPECT_TRUE(entries.size() > 0 && entries.size() < 6000) << entries.size();
        std::vector<int> drawn;
        for (const QString& name : entries) {
            EXPECT_FALSE(name.startsWith('.')) << name.toStdString();
            const std::string bytes = testdata::FileBytes(cards + "/" + name.toStdString());
            EXPECT_TRUE(bytes.ends_with("%%EOF\n")) << name.toStdString();
            drawn.push_back(name.section('.', 0, 0).toInt());
        }
        std::ranges::sort(drawn);
        EXPECT_EQ(drawn, std::vector<int>(keys.begin(), keys.begin() + std::ssize(drawn)));
    }
    // A run into one file, once the temporary file beside it is being written: the file is as
    // it was.
    const std::string out = folder.PathOf("out");
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(out)));
    folder.Write("out/cards.pdf", "the cards of yesterday");
    EXPECT_EQ(InterruptVelmaro(
                  {"card", "--all", "-o", AsQString(out + "/cards.pdf"), "--data-dir", data},
                  [&] { return Entries(out).size() > 1; }, {SIGINT}, noUnnamedFiles),
              SIGINT);
    EXPECT_EQ(Entries(out), QStringList{"cards.pdf"});
    EXPECT_EQ(testdata::FileBytes(out + "/cards.pdf"), "the cards of yesterday");
}

// A run waiting for a record file moved away (as the 100th card's file is begun) ends by the
// signal at once, on one thread or two, and names no card as lost to the missing file.
TEST(Interruption, AWaitForAMissingRecordFileEndsByTheSignalNamingNoCard) {
    const testdata::TempDataDir data, out;
    CopySample(data);
    const std::string away = data.PathOf("away");
    // Cards into a folder "cards", esami.dir moved away as the at-th file there is begun.
    const std::vector<std::tuple<QStringList, QString>> runs = {
        {{"--format=svg", "--split", AsQString(out.PathOf("one/cards")), "--jobs", "1"}, "100"},
        {{"--format=svg", "--split", AsQString(out.PathOf("two/cards")), "--jobs", "2"}, "100"},
        {{"-o", AsQString(out.PathOf("file/cards/all.pdf"))}, "1"}};
    ASSERT_TRUE(QDir().mkpath(AsQString(out.PathOf("file/cards"))));
    for (const auto& [arguments, at] : runs) {
        SCOPED_TRACE(arguments.join(' ').toStdString());
        // 300 ms after the move: well within the wait that follows it.
        std::optional<std::chrono::steady_clock::time_point> movedAt;
        const auto awayAWhile = [&] {
            if (!movedAt && QFileInfo::exists(AsQString(away)))
                movedAt = std::chrono::steady_clock::now();
            return movedAt &&
                   std::chrono::steady_clock::now() - *movedAt > std::chrono::milliseconds(300);
        };
        const std::string errors = out.PathOf("errors");
        EXPECT_EQ(InterruptVelmaro(
                      CardOf(AsQString(data.DataDir()), QStringList{"--all"} + arguments),
                      awayAWhile, {SIGTERM},
                      WithFaults({{"VELMARO_REPLACE_WHEN_OPENING", "/cards"},
                                  {"VELMARO_REPLACE_AT_OPENING", at},
                                  {"VELMARO_REPLACE_FROM", AsQString(data.PathOf("esami.dir"))},
                                  {"VELMARO_REPLACE_TO", AsQString(away)}}),
                      AsQString(errors)),
                  SIGTERM);
        EXPECT_EQ(testdata::FileBytes(errors), "");
        ASSERT_EQ(std::rename(away.c_str(), data.PathOf("esami.dir").c_str()), 0);
    }
}

// Numbers still being read, or the data, are not cards being written: the signal ends the run
// at once, as it always did.
TEST(Interruption, WhileNumbersAreReadTheSignalEndsTheRunAtOnce) {
    const testdata::TempDataDir folder;
    const auto readBy = std::chrono::steady_clock::now() + std::chrono::milliseconds(300);
    EXPECT_EQ(InterruptVelmaro(
                  CardOf(kSample, {"--from", "-", "-o", AsQString(folder.PathOf("cards.pdf"))}),
                  [&] { return std::chrono::steady_clock::now() > readBy; }, {SIGINT}),
              SIGINT);
    EXPECT_EQ(Entries(folder.PathOf("")), QStringList{});
}

// A FIFO that a test holds open for reading and never reads.
class UnreadFifo {
  public:
    explicit UnreadFifo(std::string path) : path_(std::move(path)) {
        EXPECT_EQ(::mkfifo(path_.c_str(), 0600), 0);
        reader_ = ::open(path_.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        EXPECT_GE(reader_, 0);
        capacity_ = ::fcntl(reader_, F_GETPIPE_SZ);
    }
    ~UnreadFifo() { ::close(reader_); }
    UnreadFifo(const UnreadFifo&) = delete;
    UnreadFifo& operator=(const UnreadFifo&) = delete;

    QString Path() const { return AsQString(path_); }
    // Whether the writer is blocked: the pipe holds much and has taken nothing for a while.
    bool Blocked() {
        int waiting = 0;
        if (::ioctl(reader_, FIONREAD, &waiting) != 0) return false;
        const auto now = std::chrono::steady_clock::now();
        if (waiting != lastWaiting_) {
            lastWaiting_ = waiting;
            since_ = now;
        }
        return waiting >= capacity_ / 2 && now - since_ > std::chrono::milliseconds(200);
    }

  private:
    std::string path_;
    int reader_ = -1;
    int capacity_ = 0;
    int lastWaiting_ = -1;
    std::chrono::steady_clock::time_point since_ = std::chrono::steady_clock::now();
};

// A run blocked on a stream that no one reads has nothing there to finish: the first signal,
// the only one timeout or a service manager sends before it kills, ends it. The cards written
// to a FIFO whose reader reads nothing; a FIFO of -o that no program opens, whose reader the
// run waits for; standard error a pipe that no one reads, amid a split run's messages.
TEST(Interruption, ARunBlockedOnAStreamNoOneReadsEndsByTheFirstSignal) {
    const testdata::TempDataDir folder;
    UnreadFifo cards(folder.PathOf("cards"));
    EXPECT_EQ(InterruptVelmaro(CardOf(kSample, {"--all", "--format", "ops", "-o", cards.Path()}),
                               [&] { return cards.Blocked(); }, {SIGTERM}),
              SIGTERM);

    const std::string unopened = folder.PathOf("unopened");
    ASSERT_EQ(::mkfifo(unopened.c_str(), 0600), 0);
    for (const char* format : {"ops", "pdf"}) {
        const auto waiting = std::chrono::steady_clock::now() + std::chrono::milliseconds(500);
        EXPECT_EQ(InterruptVelmaro(
                      CardOf(kSample, {"--format", format, "-o", AsQString(unopened), "5193"}),
                      [&] { return std::chrono::steady_clock::now() > waiting; }, {SIGTERM}),
                  SIGTERM)
            << format;
    }

    // Numbers no student has, each said on standard error.
    std::string numbers;
    for (int number = 60000; number < 90000; ++number)
        numbers += std::to_string(number) + "\n";
    folder.Write("numbers", numbers);
    UnreadFifo errors(folder.PathOf("errors"));
    EXPECT_EQ(InterruptVelmaro(
                  CardOf(kSample, {"--from", AsQString(folder.PathOf("numbers")), "--split",
                                   AsQString(folder.PathOf("split")), "--jobs", "2"}),
                  [&] { return errors.Blocked(); }, {SIGINT}, {}, errors.Path()),
              SIGINT);
}

// A second signal ends the run at once, of another kind too: here a run that waits for a disk
// that does not answer, and so cannot stop after the first. A second SIGPIPE does not, as every
// write to a pipe whose reader has gone raises it again: the run goes on stopping.
TEST(Interruption, ASecondSignalEndsTheRunAtOnce) {
    const testdata::TempDataDir folder;
    const std::string syncing = folder.PathOf("syncing");
    for (const std::vector<int>& sent :
         {std::vector<int>{SIGINT, SIGTERM}, std::vector<int>{SIGPIPE, SIGPIPE, SIGTERM}}) {
        ::unlink(syncing.c_str());
        EXPECT_EQ(InterruptVelmaro(
                      CardOf(kSample, {"-o", AsQString(folder.PathOf("card.pdf")), "5193"}),
                      [&] { return ::access(syncing.c_str(), F_OK) == 0; }, sent,
                      WithFaults({{"VELMARO_HUNG_DISK", AsQString(syncing)}})),
                  SIGTERM)
            << sent.front();
    }
}

// A signal ignored when the program starts stays ignored: after a shell's `trap '' PIPE` a
// reader that goes away is a failed write to standard output, said and ended with status 2 as
// any other, not an interruption.
TEST(Interruption, ASignalIgnoredAtTheStartStaysIgnored) {
    const ProcessRun run = RunVelmaroScript(
        QString("trap '' PIPE; { \"$VELMARO\" card --all --format ops --data-dir '%1'; "
                "echo \"status $?\" >&2; } | head -c 100 > /dev/null")
            .arg(kSample));
    EXPECT_EQ(run.err, "velmaro: standard output: Broken pipe\nstatus 2\n");
}

}  // namespace
}  // namespace velmaro::testing
