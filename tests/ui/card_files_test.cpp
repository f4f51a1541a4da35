// Output files put in place: alone or as a batch, and what a failure of the disk leaves.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cerrno>
#include <cstring>

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

// The disk refuses data only when it is flushed or the file closed: a file alone then fails
// and replaces nothing; in a batch, a failed flush of the file system puts no file in place,
// and a file whose own data was lost fails alone. No temporary file is left behind.
TEST(CardFiles, DataTheDiskRefusesIsAFailureAndReplacesNothing) {
    const std::string reason = std::strerror(EIO);
    for (const FileCall call : {FileCall::kFsync, FileCall::kClose}) {
        SCOPED_TRACE(static_cast<int>(call));
        const Folder folder;
        OutputFile file(folder.paths[0]);
        ASSERT_TRUE(file.Open().ok() && file.Write("new").ok());
        faults::FailCall(call, 0, EIO);
        const Status committed = file.Commit();
        EXPECT_TRUE(faults::Happened());
        faults::Clear();
        ASSERT_FALSE(committed.ok());
        EXPECT_EQ(committed.error().file, folder.paths[0].toStdString());
        EXPECT_EQ(committed.error().reason, reason);
        EXPECT_EQ(folder.Contents(), (QStringList{"old", "-", "-"}));
        EXPECT_EQ(folder.Entries(), 1);
    }
    struct BatchFault {
        FileCall call;
        int skipped;
        int failing;  // the path named by the failure
        QStringList contents;
    };
    for (const auto& [call, skipped, failing, contents] :
         {BatchFault{FileCall::kSyncfs, 0, 0, {"old", "-", "-"}},
          BatchFault{FileCall::kSyncFileRange, 1, 1, {"new", "-", "new"}},
          BatchFault{FileCall::kClose, 2, 2, {"new", "new", "-"}}}) {
        SCOPED_TRACE(static_cast<int>(call));
        const Folder folder;
        CommitBatch batch;
        folder.WriteAll(batch);
        faults::FailCall(call, skipped, EIO);
        const Status committed = batch.Commit();
        EXPECT_TRUE(faults::Happened());
        faults::Clear();
        ASSERT_FALSE(committed.ok());
        EXPECT_EQ(committed.error().file, folder.paths[failing].toStdString());
        EXPECT_EQ(committed.error().reason, reason);
        EXPECT_EQ(folder.Contents(), contents);
        EXPECT_EQ(folder.Entries(), contents.size() - contents.count("-"));
        EXPECT_EQ(batch.Size(), 0u);
    }
}

}  // namespace
}  // namespace velmaro
