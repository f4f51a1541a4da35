// Card files written together: a batch of output files put in place at once.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "ui/output_file.h"

namespace velmaro {
namespace {

// Files committed with a batch replace nothing until the batch commits; then each goes in place
// on its own: one whose folder went away fails, naming it, and leaves no temporary file.
TEST(CardFiles, ABatchPutsItsFilesInPlaceTogetherAndEachFailureOnItsOwn) {
    QTemporaryDir folder;
    ASSERT_TRUE(QDir(folder.path()).mkdir("gone"));
    const QStringList paths{folder.filePath("old.txt"), folder.filePath("new.txt"),
                            folder.filePath("gone/lost.txt")};
    {
        QFile old(paths[0]);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly) && old.write("old") == 3);
    }
    const auto write = [&](CommitBatch& batch) {
        for (const QString& path : paths) {
            OutputFile file(path);
            ASSERT_TRUE(file.Open().ok() && file.Write("new").ok());
            ASSERT_TRUE(file.Commit(&batch).ok());
        }
    };
    const auto contents = [&] {
        QStringList found;
        for (const QString& path : paths) {
            QFile file(path);
            found << (file.open(QIODevice::ReadOnly) ? QString(file.readAll()) : "-");
        }
        return found;
    };
    const auto entries = [&] {
        return QDir(folder.path()).entryList(QDir::Files | QDir::Hidden).size() +
               QDir(folder.filePath("gone")).entryList(QDir::Files | QDir::Hidden).size();
    };
    {
        CommitBatch abandoned;
        write(abandoned);
        EXPECT_EQ(contents(), (QStringList{"old", "-", "-"}));
    }
    EXPECT_EQ(entries(), 1);  // the old file alone: no temporary file is left behind

    CommitBatch batch;
    write(batch);
    EXPECT_EQ(batch.Size(), 3u);
    EXPECT_EQ(contents(), (QStringList{"old", "-", "-"}));
    ASSERT_TRUE(QDir(folder.filePath("gone")).removeRecursively());
    const Status committed = batch.Commit();
    ASSERT_FALSE(committed.ok());
    EXPECT_EQ(committed.error().file, paths[2].toStdString());
    EXPECT_EQ(contents(), (QStringList{"new", "new", "-"}));
    EXPECT_EQ(entries(), 2);
    EXPECT_EQ(batch.Size(), 0u);
}

}  // namespace
}  // namespace velmaro
