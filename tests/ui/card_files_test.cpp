// Output files put in place: alone or as a batch, and what a failure of the disk leaves. The
// calls that put a file on the disk are wrapped at link time in this program only (open, fsync,
// syncfs, sync_file_range, close and linkat), to fail where a test says.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cerrno>
#include <climits>
#include <cstdarg>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "ui/output_file.h"

extern "C" int __real_open(const char* path, int flags, ...);

namespace velmaro {
namespace {

enum class FileCall { kFsync, kSyncfs, kSyncFileRange, kClose, kLinkat };

// The failure waiting for its call: the call after the next `skipped` calls of call fails with
// EIO (a close still releases its descriptor, as the system's does). At most one waits; it is
// cleared when it happens or when the next one is armed. Only the test's own thread commits
// files while one waits.
struct Armed {
    FileCall call;
    int skipped;
};
std::optional<Armed> armed;
bool happened = false;
// While set, a file cannot be opened without a name (O_TMPFILE), as on a network share.
bool refuseUnnamed = false;

void FailCall(FileCall call, int skipped) {
    armed = Armed{call, skipped};
    happened = false;
}

// Whether this call of call is the one to fail; sets errno when it is.
bool Fails(FileCall call) {
    if (!armed || armed->call != call || armed->skipped-- > 0) return false;
    errno = EIO;
    armed.reset();
    happened = true;
    return true;
}

// A folder holding old.txt ("old"), and the paths of it, new.txt and gone/lost.txt.
struct Folder {
    Folder() {
        EXPECT_TRUE(QDir(folder.path()).mkdir("gone"));
        QFile old(paths[0]);
        EXPECT_TRUE(old.open(QIODevice::WriteOnly) && old.write("old") == 3);
    }
    // Each path written with "new" and committed to batch.
    void WriteAll(CommitBatch& batch) const {
        for (const QString& path : paths) {
            OutputFile file(path);
            ASSERT_TRUE(file.Open().ok() && file.Write("new").ok());
            ASSERT_TRUE(file.Commit(&batch).ok());
        }
    }
    // What each path holds, "-" for no file.
    QStringList Contents() const {
        QStringList found;
        for (const QString& path : paths) {
            QFile file(path);
            found << (file.open(QIODevice::ReadOnly) ? QString(file.readAll()) : "-");
        }
        return found;
    }
    // How many files the folders hold, temporary ones included.
    qsizetype Entries() const {
        return QDir(folder.path()).entryList(QDir::Files | QDir::Hidden).size() +
               QDir(folder.filePath("gone")).entryList(QDir::Files | QDir::Hidden).size();
    }

    QTemporaryDir folder;
    const QStringList paths{folder.filePath("old.txt"), folder.filePath("new.txt"),
                            folder.filePath("gone/lost.txt")};
};

// Whether files can be made without a name in folder.
bool UnnamedFilesIn(const QString& folder) {
    const int probe = ::open(folder.toLocal8Bit().constData(), O_TMPFILE | O_WRONLY, 0600);
    if (probe >= 0) ::close(probe);
    return probe >= 0;
}

// Opens the output path, writes contents and commits it alone: the first failure, or Ok.
Status WriteAlone(const QString& path, std::string_view contents,
                  OutputFile::ReaderWait wait = OutputFile::ReaderWait::kWait) {
    OutputFile file(path);
    return file.Open(wait).ok() && file.Write(contents).ok() ? file.Commit() : file.Failure();
}

// Where the file system allows it, a file being written has no name: nothing of it shows in
// the folder until it is in place, replacing a file or not. Elsewhere it is a hidden file
// beside its target, gone once the file is in place. A file goes in place when committed
// alone; files committed with a batch replace nothing until the batch commits, then each goes
// in place on its own: one whose folder went away fails, naming it, and leaves no temporary
// file.
TEST(CardFiles, FilesGoInPlaceAloneOrAsABatchAndEachFailureOnItsOwn) {
    for (const bool unnamed : {false, true}) {
        SCOPED_TRACE(unnamed);
        const Folder folder;
        if (unnamed && !UnnamedFilesIn(folder.folder.path())) {
            GTEST_SKIP() << "the temporary folder's file system makes no unnamed files";
        }
        refuseUnnamed = !unnamed;
        {
            CommitBatch abandoned;
            folder.WriteAll(abandoned);
            EXPECT_EQ(folder.Entries(), unnamed ? 1 : 4);
            EXPECT_EQ(folder.Contents(), (QStringList{"old", "-", "-"}));
        }
        EXPECT_EQ(folder.Entries(), 1);  // the old file alone: no temporary file is left behind

        OutputFile alone(folder.paths[1]);
        ASSERT_TRUE(alone.Open().ok() && alone.Write("one").ok() && alone.Commit().ok());
        EXPECT_EQ(folder.Contents(), (QStringList{"old", "one", "-"}));
        CommitBatch batch;
        folder.WriteAll(batch);
        EXPECT_EQ(batch.Size(), 3u);
        EXPECT_EQ(folder.Contents(), (QStringList{"old", "one", "-"}));
        ASSERT_TRUE(QDir(folder.folder.filePath("gone")).removeRecursively());
        const Status committed = batch.Commit();
        refuseUnnamed = false;
        ASSERT_FALSE(committed.ok());
        EXPECT_EQ(committed.error().file, folder.paths[2].toStdString());
        EXPECT_EQ(folder.Contents(), (QStringList{"new", "new", "-"}));
        EXPECT_EQ(folder.Entries(), 2);
        EXPECT_EQ(batch.Size(), 0u);
    }
}

// The disk refuses data only when it is flushed or the file closed: a file alone then fails
// and replaces nothing; in a batch, a failed flush of the file system puts no file in place,
// and a file whose own data was lost fails alone. No temporary file is left behind, named or
// unnamed, and a file that cannot be linked in place fails the same way. A folder that cannot
// be flushed once its files are in place fails them, in place.
TEST(CardFiles, DataTheDiskRefusesIsAFailureAndReplacesNothing) {
    struct Fault {
        bool batched;  // committed with the three files of a batch, else written alone
        FileCall call;
        int skipped;
        int failing;  // the path written alone, or named by the batch's failure
        QStringList contents;
        // For a folder that could not be flushed: what its failure says is in place (a batch's
        // names the folder of the failing path).
        const char* inPlace = nullptr;
    };
    const std::vector<Fault> faultList{
        {false, FileCall::kFsync, 0, 0, {"old", "-", "-"}},
        {false, FileCall::kClose, 0, 0, {"old", "-", "-"}},
        {false, FileCall::kLinkat, 0, 1, {"old", "-", "-"}},
        // The folder's flush, after the file went in place: its new name may not survive.
        {false, FileCall::kFsync, 1, 1, {"old", "new", "-"}, "the file is in place"},
        {true, FileCall::kSyncfs, 0, 0, {"old", "-", "-"}},
        {true, FileCall::kSyncFileRange, 1, 1, {"new", "-", "new"}},
        {true, FileCall::kClose, 2, 2, {"new", "new", "-"}},
        // old.txt is linked twice: beside itself, after its name was found taken.
        {true, FileCall::kLinkat, 2, 1, {"new", "-", "new"}},
        // The flush of the first folder, which took two files in place: the folder is named,
        // not its files.
        {true, FileCall::kFsync, 0, 0, {"new", "new", "new"}, "the files put in it are in place"}};
    const std::string reason = std::strerror(EIO);
    for (const bool unnamed : {true, false}) {
        refuseUnnamed = !unnamed;
        for (const Fault& fault : faultList) {
            SCOPED_TRACE(testing::Message() << unnamed << " batched " << fault.batched << " call "
                                            << static_cast<int>(fault.call));
            // Only an unnamed file is linked.
            if (fault.call == FileCall::kLinkat && !unnamed) continue;
            const Folder folder;
            CommitBatch batch;
            Status committed = Ok();
            if (fault.batched) {
                folder.WriteAll(batch);
                FailCall(fault.call, fault.skipped);
                committed = batch.Commit();
            } else {
                OutputFile file(folder.paths[fault.failing]);
                ASSERT_TRUE(file.Open().ok() && file.Write("new").ok());
                FailCall(fault.call, fault.skipped);
                committed = file.Commit();
            }
            EXPECT_TRUE(happened);
            armed.reset();
            ASSERT_FALSE(committed.ok());
            const std::string failing = folder.paths[fault.failing].toStdString();
            const bool folderNamed = fault.inPlace != nullptr && fault.batched;
            EXPECT_EQ(committed.error().file,
                      folderNamed ? failing.substr(0, failing.rfind('/')) : failing);
            EXPECT_EQ(committed.error().reason, fault.inPlace == nullptr
                                                    ? reason
                                                    : "could not flush the folder to the disk (" +
                                                          reason + "): " + fault.inPlace +
                                                          " but may not survive a crash");
            EXPECT_EQ(folder.Contents(), fault.contents);
            EXPECT_EQ(folder.Entries(), fault.contents.size() - fault.contents.count("-"));
            EXPECT_EQ(batch.Size(), 0u);
        }
    }
    refuseUnnamed = false;
}

// A target whose name is as long as the system allows is made, then replaced, whether the
// file being written has no name or a hidden one of its own beside the target.
TEST(CardFiles, AFileOfTheLongestNameIsMadeAndReplaced) {
    for (const bool unnamed : {true, false}) {
        SCOPED_TRACE(unnamed);
        refuseUnnamed = !unnamed;
        const QTemporaryDir folder;
        const QString path = folder.filePath(QString(NAME_MAX, QLatin1Char('c')));
        for (const std::string_view contents : {"made", "replaced"}) {
            const Status written = WriteAlone(path, contents);
            EXPECT_TRUE(written.ok()) << written.error().reason;
            QFile result(path);
            EXPECT_TRUE(result.open(QIODevice::ReadOnly));
            EXPECT_EQ(result.readAll().toStdString(), contents);
            EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
        }
    }
    refuseUnnamed = false;
}

// A descriptor of this process is written through, as it was opened (here, for appending),
// by any name of its folder: not replaced as the file it has open.
TEST(CardFiles, ADescriptorIsWrittenThroughByAnyNameOfItsFolder) {
    const QTemporaryDir folder;
    const QString path = folder.filePath("log");
    QFile log(path);
    ASSERT_TRUE(log.open(QIODevice::Append) && log.write("before") == 6 && log.flush());
    const QString number = QString::number(log.handle());
    for (const char* folderName : {"/proc/thread-self/fd/", "/dev/fd//", "/dev/./fd/"}) {
        SCOPED_TRACE(folderName);
        const Status written = WriteAlone(folderName + number, "+");
        EXPECT_TRUE(written.ok()) << written.error().reason;
    }
    QFile result(path);
    ASSERT_TRUE(result.open(QIODevice::ReadOnly));
    EXPECT_EQ(result.readAll(), "before+++");
}

// A FIFO opened without waiting for a reader: with none, the open fails at once as a fault of
// that file alone; with one, the file is written as a stream that waits for the reader, so that
// more than a pipe holds (64 KiB) arrives whole.
TEST(CardFiles, AFifoOpenedWithoutWaitingFailsWithoutAReaderAndStreamsToOne) {
    const QTemporaryDir folder;
    const QString path = folder.filePath("5193.pdf");
    ASSERT_EQ(::mkfifo(path.toLocal8Bit().constData(), 0600), 0);
    {
        OutputFile file(path);
        const Status opened = file.Open(OutputFile::ReaderWait::kDoNotWait);
        ASSERT_FALSE(opened.ok());
        EXPECT_EQ(opened.error().reason, "a named pipe (FIFO) that no program reads");
        EXPECT_TRUE(opened.error().onlyThisFile);
    }
    const int reader = __real_open(path.toLocal8Bit().constData(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    // Held open until the file is written, so that the reader meets no end before it.
    const int otherWriter = __real_open(path.toLocal8Bit().constData(), O_WRONLY | O_NONBLOCK);
    ASSERT_GE(otherWriter, 0);
    ASSERT_EQ(::fcntl(reader, F_SETFL, 0), 0);
    const std::string sent(200'000, 'x');
    std::string received;
    std::thread reading([&] {
        char buffer[4096];
        for (ssize_t got; (got = ::read(reader, buffer, sizeof buffer)) > 0;)
            received.append(buffer, static_cast<std::size_t>(got));
    });
    const Status written = WriteAlone(path, sent, OutputFile::ReaderWait::kDoNotWait);
    EXPECT_TRUE(written.ok()) << written.error().reason;
    ::close(otherWriter);
    reading.join();
    ::close(reader);
    EXPECT_EQ(received.size(), sent.size());
}

}  // namespace
}  // namespace velmaro

// A wrapped call that fails when Fails says so, else is the system's.
#define VELMARO_FAILING_CALL(name, call, parameters, arguments)                        \
    extern "C" int __real_##name parameters;                                           \
    extern "C" int __wrap_##name parameters {                                          \
        return velmaro::Fails(velmaro::FileCall::call) ? -1 : __real_##name arguments; \
    }
VELMARO_FAILING_CALL(fsync, kFsync, (int descriptor), (descriptor))
VELMARO_FAILING_CALL(syncfs, kSyncfs, (int descriptor), (descriptor))
VELMARO_FAILING_CALL(sync_file_range, kSyncFileRange,
                     (int descriptor, off64_t offset, off64_t bytes, unsigned int flags),
                     (descriptor, offset, bytes, flags))
VELMARO_FAILING_CALL(linkat, kLinkat,
                     (int fromFolder, const char* from, int toFolder, const char* to, int flags),
                     (fromFolder, from, toFolder, to, flags))

extern "C" int __real_close(int descriptor);
extern "C" int __wrap_close(int descriptor) {
    const int closed = __real_close(descriptor);
    return velmaro::Fails(velmaro::FileCall::kClose) ? -1 : closed;
}

extern "C" int __wrap_open(const char* path, int flags, ...) {
    if ((flags & O_TMPFILE) == O_TMPFILE && velmaro::refuseUnnamed) {
        errno = EOPNOTSUPP;
        return -1;
    }
    mode_t mode = 0;
    if ((flags & (O_CREAT | O_TMPFILE)) != 0) {
        va_list arguments;
        va_start(arguments, flags);
        mode = static_cast<mode_t>(va_arg(arguments, int));
        va_end(arguments);
    }
    return __real_open(path, flags, mode);
}
