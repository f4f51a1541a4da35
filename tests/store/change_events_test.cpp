// The changes the system reports of open files: what counts as a change of a file's content,
// what does not, and which files can be watched at all.

#include "store/change_events.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "tests/store/data_files.h"

namespace velmaro {
namespace {

// A descriptor open for reading, closed at the end.
struct OpenFile {
    explicit OpenFile(const std::string& path) : descriptor(::open(path.c_str(), O_RDONLY)) {}
    ~OpenFile() { ::close(descriptor); }
    int descriptor;
};

// Whether the file of id changed between the last poll and a new one.
bool ChangedAtNextPoll(ChangeEvents& events, int id) {
    const auto before = events.Changes(id);
    events.Poll();
    return events.Changes(id) != before;
}

// Written, cut, its times or permissions set, a link to it removed: each is a change, seen at
// the next poll and only once. Reading it, by this program or another, is none: a reader's
// own reads would otherwise throw away what it keeps.
TEST(ChangeEvents, WritesCutsAndStatusChangesAreChangesAndReadsAreNot) {
    const auto folder = testdata::FolderReportingChanges();
    if (!folder) GTEST_SKIP() << "no temporary folder whose file system reports changes";
    const testdata::TempDataDir dir(*folder);
    dir.Write("esami.dir", std::string(170, 'x'));
    const std::string path = dir.PathOf("esami.dir");
    const OpenFile file(path);
    auto events = ChangeEvents::Start();
    ASSERT_NE(events, nullptr);
    const std::optional<int> id = events->Watch(file.descriptor);
    ASSERT_TRUE(id);
    ASSERT_TRUE(events->Changes(*id));
    EXPECT_FALSE(ChangedAtNextPoll(*events, *id));

    char byte = 0;
    ASSERT_EQ(::pread(file.descriptor, &byte, 1, 3), 1);
    { EXPECT_EQ(testdata::FileBytes(path).size(), 170u); }
    EXPECT_FALSE(ChangedAtNextPoll(*events, *id)) << "read";

    const std::pair<const char*, std::function<void()>> changes[] = {
        {"written in place", [&] { dir.Write("esami.dir", std::string(170, 'y')); }},
        {"cut", [&] { ::truncate(path.c_str(), 17); }},
        {"times set", [&] { ::utimensat(AT_FDCWD, path.c_str(), nullptr, 0); }},
        {"permissions set", [&] { ::chmod(path.c_str(), 0400); }},
        {"a link made and removed",
         [&] {
             ::link(path.c_str(), dir.PathOf("backup").c_str());
             ::unlink(dir.PathOf("backup").c_str());
         }},
    };
    for (const auto& [change, make] : changes) {
        make();
        EXPECT_TRUE(ChangedAtNextPoll(*events, *id)) << change;
        EXPECT_FALSE(ChangedAtNextPoll(*events, *id)) << change << ", polled again";
    }
}

// A file changed last, behind more events than a poll reads at once (another file's writes and
// permission changes, which the system cannot merge), is still changed at the next poll.
TEST(ChangeEvents, AChangeBehindALongQueueIsSeenAtTheNextPoll) {
    const auto folder = testdata::FolderReportingChanges();
    if (!folder) GTEST_SKIP() << "no temporary folder whose file system reports changes";
    const testdata::TempDataDir dir(*folder);
    dir.Write("esami.dir", "x");
    dir.Write("velmara.dir", "y");
    const OpenFile busy(dir.PathOf("esami.dir"));
    const OpenFile quiet(dir.PathOf("velmara.dir"));
    auto events = ChangeEvents::Start();
    ASSERT_NE(events, nullptr);
    const auto busyId = events->Watch(busy.descriptor);
    const auto quietId = events->Watch(quiet.descriptor);
    ASSERT_TRUE(busyId && quietId);
    events->Poll();
    const int writer = ::open(dir.PathOf("esami.dir").c_str(), O_WRONLY);
    for (int n = 0; n < 3000; ++n) {
        ASSERT_EQ(::pwrite(writer, "z", 1, 0), 1);
        ::fchmod(writer, n % 2 == 0 ? 0600 : 0644);
    }
    ::close(writer);
    dir.Write("velmara.dir", "w");
    EXPECT_TRUE(ChangedAtNextPoll(*events, *quietId));
}

// A file open twice (through a link) is one watch, kept until both forget it; a file forgotten
// reports nothing. A file of a system that reports no changes of its own (here the kernel's
// /proc, as a network share) is not watched: its reader must ask after it itself.
TEST(ChangeEvents, OneWatchPerFileAndNoneWhereChangesAreNotReported) {
    const auto folder = testdata::FolderReportingChanges();
    if (!folder) GTEST_SKIP() << "no temporary folder whose file system reports changes";
    const testdata::TempDataDir dir(*folder);
    dir.Write("velmara.dir", std::string(16, 'x'));
    ::link(dir.PathOf("velmara.dir").c_str(), dir.PathOf("link.dir").c_str());
    const OpenFile file(dir.PathOf("velmara.dir"));
    const OpenFile linked(dir.PathOf("link.dir"));
    auto events = ChangeEvents::Start();
    ASSERT_NE(events, nullptr);
    const auto id = events->Watch(file.descriptor);
    ASSERT_TRUE(id);
    EXPECT_EQ(events->Watch(linked.descriptor), id);
    events->Forget(*id);
    dir.Write("link.dir", std::string(16, 'y'));
    EXPECT_TRUE(ChangedAtNextPoll(*events, *id)) << "still watched for the other";
    events->Forget(*id);
    events->Poll();
    EXPECT_FALSE(events->Changes(*id));

    const OpenFile status("/proc/self/status");
    EXPECT_FALSE(events->Watch(status.descriptor));
    EXPECT_FALSE(events->Watch(-1));
}

}  // namespace
}  // namespace velmaro
