// Where `velmaro card` writes: every format either completes or reports the failure (exit 2,
// one line naming the file and the system's reason) leaving an existing file untouched and no
// partial file behind; devices and FIFOs are written as streams, never replaced; links are
// followed. The program is run as built, under the limits a full disk or a read-only folder
// impose.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/inotify.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <array>
#include <filesystem>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "store/data_file_names.h"
#include "tests/app/run_velmaro.h"
#include "tests/store/data_files.h"

namespace velmaro::testing {
namespace {

using testdata::FileBytes;

struct Format {
    const char* name;
    const char* magic;  // how its content begins
};

const std::vector<Format> kFormats = {
    {"png", "\x89PNG"}, {"pdf", "%PDF-"}, {"svg", "<?xml"}, {"ops", "card \"5193\""}};

const char* const kOldContent = "the previous content\n";

QStringList CardArguments(const Format& format, const std::string& path,
                          const QString& dataDir = kSample) {
    return CardOf(dataDir, {"--format", format.name, "-o", AsQString(path), "5193"});
}

std::vector<std::string> FolderEntries(const std::string& folder) {
    std::vector<std::string> names;
    for (const QString& name :
         QDir(QString::fromStdString(folder))
             .entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System))
        names.push_back(name.toStdString());
    return names;
}

// The type and permissions of path (of the link itself with link), 0 when there is none.
mode_t Mode(const std::string& path, bool link = false) {
    struct stat info {};
    return (link ? ::lstat : ::stat)(path.c_str(), &info) == 0 ? info.st_mode : 0;
}

// A failure report: exit 2, nothing on standard output, one line naming path and reason.
void ExpectOneFailureLine(const ProcessRun& run, const std::string& path,
                          const std::string& reason) {
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "velmaro: " + path + ": " + reason + "\n");
}

// A full disk without privileges: files may not grow past 1024 bytes. The program ignores the
// signal that would end it, so its writes fail with EFBIG as they would with ENOSPC. And a
// device that fails every write with "No space left on device": a private copy of /dev/full
// where a device can be made (as root), else /dev/full itself, which no one else can replace.
TEST(CardOutput, AFullDiskOrDeviceFailsAndReplacesNothingInEveryFormat) {
    QTemporaryDir folder;
    std::string device = folder.filePath("full").toStdString();
    if (::mknod(device.c_str(), S_IFCHR | 0666, ::makedev(1, 7)) != 0) device = "/dev/full";
    for (const Format& format : kFormats) {
        SCOPED_TRACE(format.name);
        const std::string path = folder.filePath(QString("card.") + format.name).toStdString();
        testdata::TempDataDir::WriteFile(path, kOldContent);
        ExpectOneFailureLine(
            RunVelmaro(CardArguments(format, path), {}, {}, {}, Limiting(RLIMIT_FSIZE, 1024)), path,
            "File too large");
        EXPECT_EQ(FileBytes(path), kOldContent);
        ExpectOneFailureLine(RunVelmaro(CardArguments(format, device)), device,
                             "No space left on device");
        EXPECT_TRUE(S_ISCHR(Mode(device)));
    }
    // A recording stops at its first line that fails, also when no number is found.
    ExpectOneFailureLine(RunVelmaro({"card", "--format=ops", "-o", QString::fromStdString(device),
                                     "99998", "99999"}),
                         device, "No space left on device");
    // The old files (and the device) alone: no temporary file is left behind.
    EXPECT_EQ(FolderEntries(folder.path().toStdString()).size(),
              kFormats.size() + (device == "/dev/full" ? 0 : 1));
}

// A disk that takes every write and loses the data, which shows only when it is flushed: an
// output that lands in a regular file fails however it was named (-o FILE, standard output
// sent to a file, -o /dev/stdout, the check's report), where a pipe has nothing to flush.
TEST(CardOutput, ADiskThatLosesTheDataFailsEveryOutputThatLandsInAFile) {
    const QProcessEnvironment lostWrites = WithFaults({{"VELMARO_LOST_WRITES", "1"}});
    QTemporaryDir folder;
    const std::string path = folder.filePath("card.pdf").toStdString();
    ExpectOneFailureLine(RunVelmaro(CardArguments(kFormats[1], path), lostWrites), path,
                         "Input/output error");
    const QString shellFile = folder.filePath("redirected");
    for (const auto& [arguments, name] :
         {std::pair{CardArguments(kFormats[1], "-"), "standard output"},
          std::pair{CardArguments(kFormats[1], "/dev/stdout"), "/dev/stdout"},
          std::pair{QStringList{"check", "--data-dir", kSample, kToday}, "standard output"}}) {
        SCOPED_TRACE(arguments.join(' ').toStdString());
        EXPECT_TRUE(Ended(RunVelmaro(arguments, lostWrites, {}, shellFile), 2,
                          std::string("velmaro: ") + name + ": Input/output error\n"));
        EXPECT_TRUE(Ended(RunVelmaro(arguments, lostWrites), 0, ""));
    }
}

// A file system that reports a lost write only as the file is closed: a card file is not put
// in place, the old one stays, and a run that wrote in place (-o /dev/stdout sent to a file,
// a FIFO) fails, naming the output.
TEST(CardOutput, AFileThatFailsAsItIsClosedFailsTheRun) {
    const QProcessEnvironment failedClose = WithFaults({{"VELMARO_FAILED_CLOSE", "1"}});
    QTemporaryDir folder;
    const std::string path = folder.filePath("card.pdf").toStdString();
    testdata::TempDataDir::WriteFile(path, kOldContent);
    ExpectOneFailureLine(RunVelmaro(CardArguments(kFormats[1], path), failedClose), path,
                         "Input/output error");
    EXPECT_EQ(FileBytes(path), kOldContent);
    EXPECT_TRUE(Ended(RunVelmaro(CardArguments(kFormats[1], "/dev/stdout"), failedClose, {},
                                 folder.filePath("redirected")),
                      2, "velmaro: /dev/stdout: Input/output error\n"));
    const std::string fifo = folder.filePath("fifo").toStdString();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    // Read to its end by a reader of its own, so that the card can be written.
    const int reader = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    ExpectOneFailureLine(RunVelmaro(CardArguments(kFormats[3], fifo), failedClose), fifo,
                         "Input/output error");
    ::close(reader);
}

// No number found: an image or PDF file holds cards only, so it is not written, and an older
// file of its name, left as it was, is said not to be this run's; a recording says notfound.
TEST(CardOutput, NoCardFoundWritesNoFileAndSaysSo) {
    QTemporaryDir folder;
    for (const Format& format : kFormats) {
        SCOPED_TRACE(format.name);
        const std::string path = folder.filePath(QString("card.") + format.name).toStdString();
        testdata::TempDataDir::WriteFile(path, kOldContent);
        QStringList arguments = CardArguments(format, path);
        arguments.last() = "99999";
        const bool recording = std::string(format.name) == "ops";
        EXPECT_TRUE(
            Ended(RunVelmaro(arguments), 1,
                  "Matricola NON Trovata: 99999\n" +
                      (recording ? "" : "velmaro: no card drawn: " + path + " not written\n")));
        EXPECT_EQ(FileBytes(path), recording ? "card \"99999\"\nnotfound\n" : kOldContent);
    }
}

// A FIFO is written as a stream and stays a FIFO; a link is followed to its target, which keeps
// the permissions and the group it had; a new file gets the permissions the umask leaves. No
// other file is left.
TEST(CardOutput, FifosLinksAndNewFilesAreWrittenInPlace) {
    for (const Format& format : kFormats) {
        SCOPED_TRACE(format.name);
        QTemporaryDir folder;
        const auto path = [&](const std::string& name) {
            return folder.filePath(QString::fromStdString(name)).toStdString();
        };
        const std::string fifo = path("stream"), name = std::string("card.") + format.name;
        ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
        // Read by cat; opening the FIFO for both reading and writing releases a cat still
        // waiting for a writer.
        EXPECT_TRUE(Ended(
            RunVelmaroScript(
                QString(
                    "cat '%1' > '%2' & \"$VELMARO\" '%3'; s=$?; exec 3<>'%1' 3>&-; wait; exit $s")
                    .arg(AsQString(fifo), folder.filePath("got"),
                         CardArguments(format, fifo).join("' '"))),
            0, ""));
        const std::string content = FileBytes(path("got"));
        ASSERT_TRUE(QFile::remove(folder.filePath("got")));
        EXPECT_TRUE(content.starts_with(format.magic)) << content.substr(0, 20);
        EXPECT_GT(content.size(), 1000u);
        EXPECT_TRUE(S_ISFIFO(Mode(fifo)));

        ASSERT_TRUE(QDir(folder.path()).mkdir("real"));
        testdata::TempDataDir::WriteFile(path("real/" + name), kOldContent);
        ASSERT_EQ(::chmod(path("real/" + name).c_str(), 0640), 0);
        // A group the writer belongs to (any, for root): the file keeps it.
        constexpr gid_t kSharingGroup = 4242;
        const bool regrouped = ::chown(path("real/" + name).c_str(), -1, kSharingGroup) == 0;
        ASSERT_EQ(::symlink(("real/" + name).c_str(), path(name).c_str()), 0);
        EXPECT_TRUE(Ended(RunVelmaro(CardArguments(format, path(name))), 0, ""));
        EXPECT_TRUE(S_ISLNK(Mode(path(name), true)));
        EXPECT_TRUE(FileBytes(path("real/" + name)).starts_with(format.magic));
        struct stat replaced {};
        ASSERT_EQ(::stat(path("real/" + name).c_str(), &replaced), 0);
        EXPECT_EQ(replaced.st_mode & 0777, 0640u);
        EXPECT_TRUE(!regrouped || replaced.st_gid == kSharingGroup);

        EXPECT_TRUE(Ended(
            RunVelmaro(CardArguments(format, path("real/new")), {}, {}, {}, [] { ::umask(027); }),
            0, ""));
        EXPECT_EQ(Mode(path("real/new")) & 0777, 0640u);
        EXPECT_EQ(FolderEntries(path("real")), (std::vector<std::string>{name, "new"}));
        EXPECT_EQ(FolderEntries(folder.path().toStdString()),
                  (std::vector<std::string>{name, "real", "stream"}));
    }
}

// A link replaced by a longer one between being looked at and being read is read whole: the card
// goes where the new link leads, not to its target's name cut short.
TEST(CardOutput, ALinkThatLengthensWhileFollowedIsFollowedWhole) {
    QTemporaryDir folder;
    const std::string deep =
        std::string(120, 'a') + "/" + std::string(120, 'b') + "/" + std::string(120, 'c');
    ASSERT_TRUE(QDir(folder.path()).mkpath(AsQString(deep)));
    const std::string link = folder.filePath("card.ops").toStdString();
    ASSERT_EQ(::symlink((deep + "/card.ops").c_str(), link.c_str()), 0);
    EXPECT_TRUE(Ended(RunVelmaro(CardArguments(kFormats.back(), link),
                                 WithFaults({{"VELMARO_LINKS_LENGTHENED", "1"}})),
                      0, ""));
    EXPECT_TRUE(FileBytes(folder.filePath(AsQString(deep + "/card.ops")).toStdString())
                    .starts_with(kFormats.back().magic));
}

// A --split folder that another run makes just as this one looks for it is taken as made, as
// making it would take it, not as something in its way.
TEST(CardOutput, ASplitFolderAnotherRunMakesMeanwhileTakesTheCards) {
    const testdata::TempDataDir out;
    const std::string split = out.PathOf("cards");
    EXPECT_TRUE(
        Ended(RunVelmaro(CardOf(kSample, {"--split", AsQString(split), "5193"}),
                         WithFaults({{"VELMARO_FOLDER_MADE_WHEN_LOOKED_FOR", AsQString(split)}})),
              0, ""));
    EXPECT_TRUE(QFileInfo(AsQString(split + "/5193.pdf")).isFile());
}

// /dev/stdout and /dev/fd/N name what the shell opened: a pipe gets the card, a file opened
// for appending keeps what it held and gets the card after it.
TEST(CardOutput, ANamedDescriptorIsWrittenAsTheShellOpenedIt) {
    QTemporaryDir folder;
    const std::string log = folder.filePath("log").toStdString();
    const QString card =
        QString("\"$VELMARO\" card --data-dir '%1' --format %2 -o %3 5193").arg(VELMARO_SAMPLE_DIR);
    const ProcessRun piped = RunVelmaroScript(
        QString("{ %1; echo \"status $?\" >&2; } | cat").arg(card.arg("pdf", "/dev/stdout")));
    EXPECT_EQ(piped.err, "status 0\n");
    EXPECT_TRUE(piped.out.starts_with("%PDF-") && piped.out.ends_with("%%EOF\n"));
    EXPECT_TRUE(Ended(RunVelmaroScript(QString("echo before > '%1' && %2 >> '%1' && %3 3>> '%1'")
                                           .arg(AsQString(log), card.arg("ops", "/dev/stdout"),
                                                card.arg("ops", "/dev/fd/3"))),
                      0, ""));
    const std::string bytes = FileBytes(log);
    EXPECT_TRUE(bytes.starts_with("before\ncard \"5193\"\n")) << bytes.substr(0, 40);
    const std::size_t second = bytes.find("card \"5193\"", 20);
    ASSERT_NE(second, std::string::npos);
    EXPECT_EQ(bytes.substr(second), bytes.substr(7, second - 7));
    // A file opened for reading and writing holds the card alone afterwards.
    testdata::TempDataDir::WriteFile(log, std::string(100000, 'x'));
    EXPECT_TRUE(Ended(
        RunVelmaroScript(card.arg("pdf", "/dev/fd/3") + " 3<> '" + AsQString(log) + "'"), 0, ""));
    const std::string pdf = FileBytes(log);
    EXPECT_TRUE(pdf.starts_with("%PDF-") && pdf.ends_with("%%EOF\n")) << pdf.size();
    // A descriptor that is not open, or left closed (and so reserved), is an error naming it.
    ExpectOneFailureLine(RunVelmaroScript(card.arg("ops", "/dev/fd/1000")), "/dev/fd/1000",
                         "Bad file descriptor");
    ExpectOneFailureLine(RunVelmaroScript(card.arg("ops", "/dev/stdin") + " <&-"), "/dev/stdin",
                         "Bad file descriptor");
    // No descriptor is named with a sign or a leading zero: such a name is a file, not there.
    for (const std::string name : {"/dev/fd/-1", "/dev/fd/01"}) {
        ExpectOneFailureLine(RunVelmaroScript(card.arg("ops", QString::fromStdString(name))), name,
                             "No such file or directory");
    }
}

TEST(CardOutput, NoFormatNorSplitWritesOverADataFileByAnyName) {
    const std::string dataFile = "one of the data files, which Velmaro only reads";
    QTemporaryDir folder;
    const std::string data = folder.filePath("data").toStdString();
    std::filesystem::copy(VELMARO_SAMPLE_DIR, data);
    // (Every other name of a data file is RefuseDataFile's.)
    for (const Format& format : kFormats) {
        SCOPED_TRACE(format.name);
        ExpectOneFailureLine(
            RunVelmaro(CardArguments(format, data + "/elenco.dir", AsQString(data))),
            data + "/elenco.dir", dataFile);
    }
    // Nor where the shell opened a data file as standard output, for appending: no card and no
    // report is added to it.
    const auto script = [&](const char* command, const char* redirection, const char* file) {
        return RunVelmaroScript(QString("\"$VELMARO\" %1 --data-dir '%2' %3 '%2/%4'")
                                    .arg(command, AsQString(data), redirection, file));
    };
    for (const auto& [command, file] :
         {std::pair{"card --format ops 5193", "elenco.dir"},
          std::pair{"card --format pdf -o - 5193", "titoli.grp"}, std::pair{"check", "esami.grp"}})
        ExpectOneFailureLine(script(command, ">>", file), "standard output", dataFile);
    // Nor where it opened one as standard error, by its name or another (a hard link): a run
    // with messages to give (a number not found, problems found, a usage error, no display)
    // ends with status 2 at once, having nowhere to say why.
    ASSERT_EQ(::link((data + "/esami.dir").c_str(), folder.filePath("log").toLocal8Bit()), 0);
    for (const auto& [command, file] :
         {std::pair{"card --format ops 99999", "velmara.dir"},
          std::pair{"check --today 2020-01-01", "esami.dir"},
          std::pair{"check --format bogus", "elenco.dir"}, std::pair{"5193", "esami.grp"},
          std::pair{"card --bogus", "../log"}}) {
        const ProcessRun run = script(command, "2>>", file);
        EXPECT_EQ(run.exitCode, 2) << command;
        EXPECT_EQ(run.out, "");
    }
    // The data folder named otherwise (VELMARO_DATA_DIR; an option after one that takes a
    // value, or as the value of one: "--output --data-dir"), and another data set's file, are
    // data files as well; so is the window's own option, first on the line.
    const std::string another = folder.filePath("another").toStdString();
    std::filesystem::copy(data, another);
    const std::string log = " 2>> '" + folder.filePath("log").toStdString() + "'";
    for (const std::string& line :
         {"VELMARO_DATA_DIR='" + data + "' \"$VELMARO\" card 99999" + log,
          "\"$VELMARO\" card --from -- --data-dir='" + data + "' 99999" + log,
          "cd '" + folder.path().toStdString() + "' && VELMARO_DATA_DIR='" + data +
              "' \"$VELMARO\" card --output --data-dir 99999" + log,
          "\"$VELMARO\" card --data-dir '" + data + "' 99999 2>> '" + another + "/esami.grp'",
          "\"$VELMARO\" --data-dir '" + data + "' 5193" + log}) {
        EXPECT_EQ(RunVelmaroScript(AsQString(line)).exitCode, 2) << line;
    }
    // Another data set's files take no card and no text on standard output either, present or
    // missing (a record file may be), whichever folder the run reads; nor does the data in use
    // take a help or version text.
    std::filesystem::remove(another + "/velmara.dir");
    for (const std::string name : {"titoli.grp", "velmara.dir"}) {
        ExpectOneFailureLine(
            RunVelmaro(CardArguments(kFormats[0], another + "/" + name, AsQString(data))),
            another + "/" + name, dataFile);
    }
    for (const auto& [command, file] :
         {std::pair{"card --format ops 5193", "../another/esami.dir"},
          std::pair{"check", "../another/elenco.dir"}, std::pair{"--help", "../another/esami.grp"},
          std::pair{"card --version", "esami.dir"}, std::pair{"check --help", "titoli.grp"}})
        ExpectOneFailureLine(script(command, ">>", file), "standard output", dataFile);
    EXPECT_FALSE(std::filesystem::exists(another + "/velmara.dir"));
    // A file of a data file's name outside a data folder takes the messages and the cards as any
    // file does, also beside a registry alone, or with one table: no data set.
    ASSERT_TRUE(QDir().mkpath(folder.filePath("other")));
    std::filesystem::copy(data + "/elenco.dir", folder.filePath("other/elenco.dir").toStdString());
    EXPECT_EQ(script("card --format ops 99999", "2>>", "../other/esami.grp").exitCode, 1);
    EXPECT_EQ(FileBytes(folder.filePath("other/esami.grp").toStdString()),
              "Matricola NON Trovata: 99999\n");
    EXPECT_TRUE(Ended(script("card --format ops 5193", ">>", "../other/velmara.dir"), 0, ""));
    EXPECT_TRUE(FileBytes(folder.filePath("other/velmara.dir").toStdString()).starts_with("card"));
    // Every data file as it was (a split run's card name that links to a data file is
    // CardBatch.SplitLeavesANameThatCannotTakeItsCardAndStopsOnlyWhenNoFileFits's).
    for (const std::string_view file : kDataFileNames) {
        const std::string name(file);
        EXPECT_TRUE(FileBytes(data + "/" + name) == FileBytes(VELMARO_SAMPLE_DIR "/" + name))
            << name;
        EXPECT_TRUE(name == "velmara.dir" ||
                    FileBytes(another + "/" + name) == FileBytes(VELMARO_SAMPLE_DIR "/" + name))
            << name;
    }
}

TEST(CardOutput, MissingAndReadOnlyFoldersAndFilesFailNamingTheFile) {
    QTemporaryDir folder;
    ASSERT_EQ(::chmod(folder.path().toLocal8Bit().constData(), 0755), 0);
    const std::string readOnly = folder.filePath("read-only").toStdString();
    ASSERT_EQ(::mkdir(readOnly.c_str(), 0755), 0);
    testdata::TempDataDir::WriteFile(readOnly + "/card.pdf", kOldContent);
    ASSERT_EQ(::chmod(readOnly.c_str(), 0555), 0);
    // A read-only file in a folder anyone may write: it could be replaced, but must not be.
    const std::string open = folder.filePath("open").toStdString();
    const std::string locked = open + "/locked";
    ASSERT_EQ(::mkdir(open.c_str(), 0777), 0);
    ASSERT_EQ(::chmod(open.c_str(), 0777), 0);
    testdata::TempDataDir::WriteFile(locked, kOldContent);
    ASSERT_EQ(::chmod(locked.c_str(), 0444), 0);
    // Root writes anywhere: the program then runs as nobody.
    const std::function<void()> unprivileged = [] {
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) ::_exit(99);
    };
    for (const Format& format : kFormats) {
        SCOPED_TRACE(format.name);
        const std::string missing =
            folder.filePath(QString("missing/card.") + format.name).toStdString();
        ExpectOneFailureLine(
            RunVelmaro(CardArguments(format, missing)), missing,
            folder.filePath("missing").toStdString() + ": No such file or directory");
        // A file where a folder of the path should be is named.
        const std::string underAFile = locked + "/card." + format.name;
        ExpectOneFailureLine(RunVelmaro(CardArguments(format, underAFile)), underAFile,
                             locked + ": Not a directory");
        for (const std::string& path : {readOnly + "/card.pdf", readOnly + "/new-card", locked})
            ExpectOneFailureLine(RunVelmaro(CardArguments(format, path), {}, {}, {}, unprivileged),
                                 path, "Permission denied");
    }
    // A split folder that cannot be made: a file's name, a link to a folder not made yet, on
    // its path too. Said though the folder is made only for the first card, before which a
    // number not found comes.
    const std::string link = folder.filePath("link").toStdString();
    ASSERT_EQ(::symlink("missing-folder", link.c_str()), 0);
    for (const auto& [split, reason] :
         {std::pair{locked, "Not a directory"}, std::pair{locked + "/", "Not a directory"},
          std::pair{locked + "/new/cards", "Not a directory"},
          std::pair{link, "a link to a folder that does not exist"},
          std::pair{link + "/", "a link to a folder that does not exist"},
          std::pair{link + "/cards", "Not a directory"},
          // Past a folder to make: where ".." leads back to, and a name too long for a folder.
          std::pair{folder.filePath("new").toStdString() + "/../open/locked", "Not a directory"},
          std::pair{folder.filePath("new").toStdString() + "/x/../../open/locked/cards",
                    "Not a directory"},
          std::pair{folder.filePath("new").toStdString() + "/" + std::string(256, 'n'),
                    "File name too long"}}) {
        ExpectOneFailureLine(
            RunVelmaro(CardOf(kSample, {"--split", AsQString(split), "5", "5193"})), split, reason);
    }
    // A split folder that takes no files is named, not each card's file; so is one that is not
    // there, where the nearest folder above it that is takes no new folder.
    for (const std::string& split : {readOnly, readOnly + "/new/cards"}) {
        ExpectOneFailureLine(RunVelmaro(CardOf(kSample, {"--split", AsQString(split), "5", "5193"}),
                                        {}, {}, {}, unprivileged),
                             split, "Permission denied");
    }
    EXPECT_EQ(FileBytes(readOnly + "/card.pdf"), kOldContent);
    EXPECT_EQ(FolderEntries(readOnly), std::vector<std::string>{"card.pdf"});
    EXPECT_EQ(FileBytes(locked), kOldContent);
    EXPECT_EQ(FolderEntries(open), std::vector<std::string>{"locked"});
    EXPECT_EQ(FolderEntries(folder.path().toStdString()),
              (std::vector<std::string>{"link", "open", "read-only"}));
}

// Where the cards go is looked at before a list is read for them (the program then waits for
// the list's writer), and the look makes no file in the folder, even where no file can be made
// without a name, nor a --split folder that is not there yet (made, with the folders above it,
// for the first card): a program killed while the list is typed leaves nothing behind.
TEST(CardOutput, TheOutputIsLookedAtBeforeTheListAndMakesNoFile) {
    const testdata::TempDataDir folder;
    const std::string list = folder.PathOf("list");
    ASSERT_EQ(::mkfifo(list.c_str(), 0600), 0);
    const std::string out = folder.PathOf("out");
    ASSERT_TRUE(QDir().mkpath(AsQString(out)));
    testdata::TempDataDir::WriteFile(out + "/cards.pdf", kOldContent);
    const std::string split = out + "/new/cards";
    for (const auto& [output, numbers, made] :
         {std::tuple{QStringList{"-o", AsQString(out + "/cards.pdf")}, "5193\n",
                     std::vector<std::string>{"cards.pdf"}},
          {QStringList{"--split", AsQString(split), "--jobs", "2"}, "5193\n4\n8\n9975\n",
           std::vector<std::string>{"4.pdf", "5193.pdf", "8.pdf", "9975.pdf"}}}) {
        SCOPED_TRACE(output.join(' ').toStdString());
        const int watched = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        ASSERT_GE(watched, 0);
        ASSERT_GE(::inotify_add_watch(watched, out.c_str(), IN_CREATE), 0);
        std::vector<std::string> madeBeforeTheList;
        std::thread writer([&, numbers = std::string(numbers)] {
            // Opened once the program opens the list to read it: all it made before is told.
            const int descriptor = ::open(list.c_str(), O_WRONLY | O_CLOEXEC);
            alignas(inotify_event) std::array<char, 4096> events{};
            for (ssize_t got; (got = ::read(watched, events.data(), events.size())) > 0;) {
                for (ssize_t at = 0; at < got;) {
                    const auto* event = reinterpret_cast<const inotify_event*>(events.data() + at);
                    madeBeforeTheList.emplace_back(event->len > 0 ? event->name : "");
                    at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
                }
            }
            if (descriptor >= 0) {
                EXPECT_EQ(::write(descriptor, numbers.data(), numbers.size()),
                          static_cast<ssize_t>(numbers.size()));
                ::close(descriptor);
            }
        });
        const ProcessRun run =
            RunVelmaro(CardOf(kSample, output + QStringList{"--from", AsQString(list)}),
                       WithFaults({{"VELMARO_NO_UNNAMED_FILES", "1"}}));
        writer.join();
        ::close(watched);
        EXPECT_TRUE(Ended(run, 0, ""));
        EXPECT_EQ(madeBeforeTheList, std::vector<std::string>{});
        EXPECT_TRUE(FileBytes(out + "/cards.pdf").starts_with("%PDF-"));
        EXPECT_EQ(FolderEntries(output[0] == "-o" ? out : split), made);
    }
    EXPECT_EQ(FolderEntries(out), (std::vector<std::string>{"cards.pdf", "new"}));
}

// A split run that puts no card in the folders it made (a full disk takes none) leaves none of
// them behind; a folder that was there before stays, with what it holds.
TEST(CardOutput, ASplitRunThatPlacesNoCardLeavesNoFolderItMade) {
    const testdata::TempDataDir out;
    ASSERT_TRUE(std::filesystem::create_directory(out.PathOf("there")));
    out.Write("there/kept", "kept");
    for (const std::string& split : {out.PathOf("new/cards/"), out.PathOf("there/new")}) {
        SCOPED_TRACE(split);
        const ProcessRun run =
            RunVelmaro(CardOf(kSample, {"--split", AsQString(split), "--jobs", "2", "5193", "4"}),
                       {}, {}, {}, Limiting(RLIMIT_FSIZE, 1024));
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_NE(run.err.find("velmaro: " +
                               out.PathOf(split.ends_with('/') ? "new/cards/5193.pdf"
                                                               : "there/new/5193.pdf") +
                               ": File too large"),
                  std::string::npos)
            << run.err;
        EXPECT_EQ(FolderEntries(out.DataDir()), (std::vector<std::string>{"there"}));
        EXPECT_EQ(FolderEntries(out.PathOf("there")), (std::vector<std::string>{"kept"}));
    }
}

// A split folder that could be made when looked at, but no longer can when the first card is
// about to go in (a file put on its path while the list was typed), stops the run as a full
// disk does: said once, last, after what became of the numbers before, whichever of the threads
// that reached a card at once tried to make it.
TEST(CardOutput, ASplitFolderThatCannotBeMadeForItsFirstCardStopsTheRun) {
    const testdata::TempDataDir folder;
    const std::string list = folder.PathOf("list");
    ASSERT_EQ(::mkfifo(list.c_str(), 0600), 0);
    const std::string split = folder.PathOf("new/cards");
    std::thread writer([&] {
        const int descriptor = ::open(list.c_str(), O_WRONLY | O_CLOEXEC);
        ASSERT_GE(descriptor, 0);
        // The folder is still to be made once the list is read.
        EXPECT_FALSE(std::filesystem::exists(folder.PathOf("new")));
        folder.Write("new", "a file in the folder's place");
        const std::string numbers = "5\n5193\n4\n8\n9975\n1000\n";
        EXPECT_EQ(::write(descriptor, numbers.data(), numbers.size()),
                  static_cast<ssize_t>(numbers.size()));
        ::close(descriptor);
    });
    const ProcessRun run = RunVelmaro(
        CardOf(kSample, {"--split", AsQString(split), "--jobs", "2", "--from", AsQString(list)}));
    writer.join();
    EXPECT_TRUE(
        Ended(run, 2, "Matricola NON Trovata: 5\nvelmaro: " + split + ": Not a directory\n"));
    EXPECT_EQ(FileBytes(folder.PathOf("new")), "a file in the folder's place");
    EXPECT_EQ(FolderEntries(folder.DataDir()), (std::vector<std::string>{"list", "new"}));
}

}  // namespace
}  // namespace velmaro::testing
