// Output files put in place: alone or as a batch, and what a failure of the disk leaves.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cerrno>
#include <cstring>
#include <vector>

#include "tests/ui/file_system_faults.h"
#include "ui/output_file.h"

namespace velmaro {
namespace {

using faults::FileCall;

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

// Files committed with a batch replace nothing until the batch commits; then each goes in place
// on its own: one whose folder went away fails, naming it, and leaves no temporary file.
TEST(CardFiles, ABatchPutsItsFilesInPlaceTogetherAndEachFailureOnItsOwn) {
    const Folder folder;
    {
        CommitBatch abandoned;
        folder.WriteAll(abandoned);
        EXPECT_EQ(folder.Contents(), (QStringList{"old", "-", "-"}));
    }
    EXPECT_EQ(folder.Entries(), 1);  // the old file alone: no temporary file is left behind

    CommitBatch batch;
    folder.WriteAll(batch);
    EXPECT_EQ(batch.Size(), 3u);
    EXPECT_EQ(folder.Contents(), (QStringList{"old", "-", "-"}));
    ASSERT_TRUE(QDir(folder.folder.filePath("gone")).removeRecursively());
    const Status committed = batch.Commit();
    ASSERT_FALSE(committed.ok());
    EXPECT_EQ(committed.error().file, folder.paths[2].toStdString());
    EXPECT_EQ(folder.Contents(), (QStringList{"new", "new", "-"}));
    EXPECT_EQ(folder.Entries(), 2);
    EXPECT_EQ(batch.Size(), 0u);
}

// Whether files can be made without a name in folder.
bool UnnamedFilesIn(const QString& folder) {
    const int probe = ::open(folder.toLocal8Bit().constData(), O_TMPFILE | O_WRONLY, 0600);
    if (probe < 0) return false;
    ::close(probe);
    return true;
}

// Where the file system allows it, a file being written has no name: nothing of it shows in
// the folder until it is in place, replacing a file or not. Elsewhere it is a hidden file
// beside its target, gone once the file is in place.
TEST(CardFiles, AFileBeingWrittenShowsInItsFolderOnlyWhereFilesCannotBeUnnamed) {
    for (const bool unnamed : {false, true}) {
        SCOPED_TRACE(unnamed);
        const Folder folder;
        if (unnamed && !UnnamedFilesIn(folder.folder.path())) {
            GTEST_SKIP() << "the temporary folder's file system makes no unnamed files";
        }
        faults::RefuseUnnamedFiles(!unnamed);
        OutputFile replacing(folder.paths[0]), added(folder.paths[1]);
        for (OutputFile* file : {&replacing, &added})
            ASSERT_TRUE(file->Open().ok() && file->Write("new").ok());
        EXPECT_EQ(folder.Entries(), unnamed ? 1 : 3);
        EXPECT_TRUE(replacing.Commit().ok() && added.Commit().ok());
        faults::RefuseUnnamedFiles(false);
        EXPECT_EQ(folder.Contents(), (QStringList{"new", "new", "-"}));
        EXPECT_EQ(folder.Entries(), 2);
    }
}

// The disk refuses data only when it is flushed or the file closed: a file alone then fails
// and replaces nothing; in a batch, a failed flush of the file system puts no file in place,
// and a file whose own data was lost fails alone. No temporary file is left behind, named or
// unnamed, and a file that cannot be linked in place fails the same way.
TEST(CardFiles, DataTheDiskRefusesIsAFailureAndReplacesNothing) {
    struct Fault {
        bool batched;  // committed with the three files of a batch, else written alone
        FileCall call;
        int skipped;
        int failing;  // the path written alone, or named by the batch's failure
        QStringList contents;
    };
    const std::vector<Fault> faultList{
        {false, FileCall::kFsync, 0, 0, {"old", "-", "-"}},
        {false, FileCall::kClose, 0, 0, {"old", "-", "-"}},
        {false, FileCall::kLinkat, 0, 1, {"old", "-", "-"}},
        {true, FileCall::kSyncfs, 0, 0, {"old", "-", "-"}},
        {true, FileCall::kSyncFileRange, 1, 1, {"new", "-", "new"}},
        {true, FileCall::kClose, 2, 2, {"new", "new", "-"}},
        // old.txt is linked twice: beside itself, after its name was found taken.
        {true, FileCall::kLinkat, 2, 1, {"new", "-", "new"}}};
    const std::string reason = std::strerror(EIO);
    for (const bool unnamed : {true, false}) {
        faults::RefuseUnnamedFiles(!unnamed);
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
                faults::FailCall(fault.call, fault.skipped, EIO);
                committed = batch.Commit();
            } else {
                OutputFile file(folder.paths[fault.failing]);
                ASSERT_TRUE(file.Open().ok() && file.Write("new").ok());
                faults::FailCall(fault.call, fault.skipped, EIO);
                committed = file.Commit();
            }
            EXPECT_TRUE(faults::Happened());
            faults::Clear();
            ASSERT_FALSE(committed.ok());
            EXPECT_EQ(committed.error().file, folder.paths[fault.failing].toStdString());
            EXPECT_EQ(committed.error().reason, reason);
            EXPECT_EQ(folder.Contents(), fault.contents);
            EXPECT_EQ(folder.Entries(), fault.contents.size() - fault.contents.count("-"));
            EXPECT_EQ(batch.Size(), 0u);
        }
    }
    faults::RefuseUnnamedFiles(false);
}

}  // namespace
}  // namespace velmaro
