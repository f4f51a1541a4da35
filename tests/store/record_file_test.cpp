// Reading the data files: odd slots and runs outside the file, and the search over the
// registry (the in-memory copy of the registry is followed through changes by the lookup tests
// of faults mid-run); a file read on a thread of its own, which gives what reading it whole
// gives, and its bytes as they arrive.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <limits>
#include <thread>
#include <utility>

#include "store/data_store.h"
#include "store/file_arrival.h"
#include "store/kept_runs.h"
#include "store/record_file.h"
#include "store/registry_search.h"
#include "store/student.h"
#include "store/text_file.h"
#include "tests/store/data_files.h"

namespace velmaro {
namespace {

using testdata::Slot;
using Texts = std::vector<std::string>;

TEST(RecordFile, OddSlotsAndRecordsOutsideTheFile) {
    const testdata::TempDataDir dir;
    // A plain record, a length larger than the slot, a zero length, and a last slot cut short by
    // the end of the file (it declares 12 characters, 5 exist).
    dir.Write("esami.dir",
              Slot("MAT12824091512", kExamSlotSize) + Slot("ABCDEFGHIJKLMNOP", kExamSlotSize, 500) +
                  Slot("", kExamSlotSize) + Slot("FIS12023", kExamSlotSize, 12).substr(0, 7));
    auto file =
        RecordFile::Open(dir.PathOf("esami.dir"), kExamSlotSize, RecordFile::IfMissing::kFail);
    const Texts records = {"", "", "MAT12824091512", "ABCDEFGHIJKLMNO", "", "FIS12", "", ""};
    EXPECT_EQ(*file->ReadRun(-1, 8), records);  // records -1 ... 6
    // The run's read, and the one that finds the end of the file.
    EXPECT_EQ(file->ReadRequests(), 2u);
    for (int n = -1; n <= 6; ++n)
        EXPECT_EQ(*file->ReadRecord(n), records[n + 1]) << n;
    // Start numbers come from the data: huge ones and counts of none read no record.
    const std::pair<std::pair<std::int32_t, int>, Texts> runs[] = {
        {{std::numeric_limits<std::int32_t>::max(), 2}, {"", ""}},
        {{std::numeric_limits<std::int32_t>::min(), 99}, Texts(99)},
        {{1, 0}, {}},
        {{1, -4}, {}}};
    for (const auto& [run, texts] : runs)
        EXPECT_EQ(*GatherRecords(*file, run.first, run.second), texts) << run.first;
}

// The data belongs to the people who keep it: reading a record file leaves its access time as
// it was, and a user who does not own the file (who may not ask for that) still reads it.
TEST(RecordFile, ReadingLeavesTheAccessTimeAloneAndNeedsNoOwnership) {
    const testdata::TempDataDir dir;
    const std::string path = dir.PathOf("esami.dir");
    dir.Write("esami.dir", testdata::Slots({"MAT128980625"}, kExamSlotSize));
    // Times two days old with the access no later than the change: a read would renew it.
    const timespec old = {::time(nullptr) - 2 * 86400, 0};
    const timespec times[2] = {old, old};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
    const auto readAsExamFile = [&path] {
        auto file = RecordFile::Open(path, kExamSlotSize, RecordFile::IfMissing::kFail);
        return file.ok() && *file->ReadRun(1, 1) == std::vector<std::string>{"MAT128980625"};
    };
    ASSERT_TRUE(readAsExamFile());
    struct stat info {};
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_atim.tv_sec, old.tv_sec);

    if (::geteuid() != 0) GTEST_SKIP() << "reading as another user needs root";
    ASSERT_EQ(::chmod(dir.DataDir().c_str(), 0755), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const bool other = ::setgid(65534) == 0 && ::setuid(65534) == 0;
        ::_exit(!other ? 2 : readAsExamFile() ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
}

// Registries of count records with keys 3, 7, 11, ... (absent keys on both sides of each).
class RegistrySearch : public ::testing::TestWithParam<int> {};

TEST_P(RegistrySearch, FindsEveryKeyOnFileAndNoOtherWithinTheReadBound) {
    const int count = GetParam();
    const auto keyOf = [](int record) { return 4 * record - 1; };
    std::vector<std::string> texts;
    for (int n = 1; n <= count; ++n)
        texts.push_back(testdata::RegistryText(keyOf(n), 2, 1, n, n));
    const testdata::TempDataDir dir;
    dir.Write("elenco.dir", testdata::Slots(texts, kRegistrySlotSize));
    auto registry =
        RecordFile::Open(dir.PathOf("elenco.dir"), kRegistrySlotSize, RecordFile::IfMissing::kFail);
    // Each probe halves the open range 1 ... count, and the last reads the one record left.
    const auto bound = static_cast<std::uint64_t>(std::ceil(std::log2(count))) + 1;
    std::uint64_t reads = 0;  // of the last search
    const auto search = [&](std::int32_t key) {
        const auto before = registry->ReadRequests();
        const std::string found = SearchRegistry(*registry, count, keyOf(count), key)->record;
        reads = registry->ReadRequests() - before;
        EXPECT_LE(reads, bound) << "key " << key;
        return found;
    };
    for (int n = 1; n <= count; ++n) {
        ASSERT_EQ(search(keyOf(n)), texts[n - 1]) << "record " << n;
        for (const int absent : {keyOf(n) - 2, keyOf(n) - 1, keyOf(n) + 1})
            ASSERT_EQ(search(absent), "") << "key " << absent;
    }
    for (const std::int32_t outside : {0, -5, std::numeric_limits<std::int32_t>::min(),
                                       keyOf(count) + 1, std::numeric_limits<std::int32_t>::max()})
        EXPECT_TRUE(search(outside).empty() && reads == 0) << "key " << outside;
}

INSTANTIATE_TEST_SUITE_P(Sizes, RegistrySearch, ::testing::Values(1, 2, 3, 10, 1000));

// A registry read from a copy in memory is copied at the second search, not the first: a run
// that looks up one number (a card drawn by a script, once per student) reads only the
// records its search probes, not the whole registry. From then on a search reads nothing.
TEST(RegistrySearch, OneSearchReadsOnlyItsProbesAndTheNextCopiesTheRegistry) {
    constexpr int kCount = 10000;
    std::vector<std::string> texts;
    for (int n = 1; n <= kCount; ++n)
        texts.push_back(testdata::RegistryText(2 * n, 2, 1, n, n));
    const testdata::TempDataDir dir;
    const std::string bytes = testdata::Slots(texts, kRegistrySlotSize);
    dir.Write("elenco.dir", bytes);
    // An hour after the file's last change: a copy needs no reading again until it changes.
    const auto anHourLater = [] { return static_cast<std::int64_t>(::time(nullptr)) + 3600; };
    auto registry =
        RecordFile::Open(dir.PathOf("elenco.dir"), kRegistrySlotSize, RecordFile::IfMissing::kFail,
                         RecordFile::Reading::kCopyInMemory, anHourLater);
    ASSERT_TRUE(registry.ok());
    std::uint64_t before = registry->BytesRead();
    const auto bytesOf = [&](std::int32_t key) {
        const std::string found = SearchRegistry(*registry, kCount, 2 * kCount, key)->record;
        EXPECT_EQ(found, texts[static_cast<std::size_t>(key / 2 - 1)]);
        const std::uint64_t read = registry->BytesRead() - before;
        before = registry->BytesRead();
        return read;
    };
    const auto probes = static_cast<std::uint64_t>(std::ceil(std::log2(kCount))) + 1;
    EXPECT_LE(bytesOf(5193 * 2), probes * kRegistrySlotSize);
    EXPECT_EQ(bytesOf(50 * 2), bytes.size());
    EXPECT_EQ(bytesOf(7 * 2), 0u);
}

TEST(RegistrySearch, AKeyIndexGivesTheSameOutcomeEvenOnARegistryOutOfOrder) {
    // Keys out of order, repeated, not numbers, blank, and a count reaching past the file.
    const std::vector<std::string> texts = {"00005A", "00003B", "00003C",  "ABCDEF", "00009D",
                                            "",       "00007E", "0012.5F", "00015G"};
    RecordFile registry = RecordFile::FromMemory("elenco.dir", kRegistrySlotSize,
                                                 testdata::Slots(texts, kRegistrySlotSize));
    RegistryKeyIndex index;
    for (const std::int32_t count : {9, 12}) {
        for (std::int32_t key = -1; key <= 17; ++key) {
            const auto read = SearchRegistry(registry, count, 16, key);
            const auto indexed = SearchRegistry(registry, count, 16, key, &index);
            ASSERT_TRUE(read.ok() && indexed.ok());
            EXPECT_EQ(indexed->record, read->record) << "key " << key << " of " << count;
            EXPECT_EQ(indexed->recordsRead, read->recordsRead) << "key " << key << " of " << count;
        }
    }
    // Not vacuous: the search does find records here.
    EXPECT_EQ(SearchRegistry(registry, 9, 16, 15, &index)->record, "00015G");
    EXPECT_EQ(SearchRegistry(registry, 9, 16, 7, &index)->record, "00007E");
}

// A list on a descriptor left non-blocking by whoever opened it (a parent may hand a pipe down
// so) is waited for until its writer closes it, not cut short as "Resource temporarily
// unavailable".
TEST(ReadAllFrom, ANonBlockingPipeIsWaitedForToItsEnd) {
    int ends[2];
    ASSERT_EQ(::pipe2(ends, O_NONBLOCK | O_CLOEXEC), 0);
    std::thread writer([&ends] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        EXPECT_EQ(::write(ends[1], "5193\n", 5), 5);
        ::close(ends[1]);
    });
    const Result<std::string> read = ReadAllFrom(ends[0], "standard input");
    writer.join();
    ::close(ends[0]);
    ASSERT_TRUE(read.ok()) << read.error().Message();
    EXPECT_EQ(*read, "5193\n");
}

// A file arrives as reading it whole gives it; a missing one or a folder arrives as nothing
// and fails as reading it whole fails.
TEST(FileArrival, ArrivesOrFailsAsReadingItWholeDoesAndIsToldPieceByPiece) {
    const testdata::TempDataDir dir;
    std::string bytes;
    for (int i = 0; bytes.size() < 3'000'000; ++i)
        bytes += std::to_string(i) + ' ';
    dir.Write("large", bytes);
    dir.Write("empty", "");
    std::filesystem::create_directory(dir.PathOf("folder"));
    for (const auto& [name, content] : {std::pair<std::string, std::string>{"large", bytes},
                                        {"empty", ""},
                                        {"missing", ""},
                                        {"folder", ""}}) {
        SCOPED_TRACE(name);
        FileArrival arrival(dir.PathOf(name));
        const std::string_view expected = arrival.Expected();
        ASSERT_EQ(expected.size(), content.size());
        EXPECT_GE(arrival.WaitFor(content.size() / 2), content.size() / 2);
        EXPECT_EQ(arrival.WaitFor(content.size() + 1), content.size());
        EXPECT_EQ(expected, content);
        const Result<std::string> arrived = arrival.Finish();
        const Result<std::string> read = ReadWholeFile(dir.PathOf(name));
        ASSERT_EQ(arrived.ok(), name == "large" || name == "empty");
        ASSERT_EQ(read.ok(), arrived.ok());
        EXPECT_EQ(arrived.ok() ? *arrived : arrived.error().Message(),
                  read.ok() ? content : read.error().Message());
    }

    // A read of a whole file in one request returns only when all of it is there: bytes
    // waited for are read in pieces, each told as it arrives.
    std::string into;
    std::string beyond;
    std::vector<std::size_t> told;
    const Result<bool> read = ReadFileInPlace(dir.PathOf("large"), into, beyond,
                                              [&](std::size_t count) { told.push_back(count); });
    ASSERT_TRUE(read.ok());
    EXPECT_TRUE(*read);
    EXPECT_EQ(into, bytes);
    EXPECT_TRUE(beyond.empty());
    ASSERT_GE(told.size(), 4u);
    EXPECT_EQ(told.front(), 0u);
    EXPECT_TRUE(std::is_sorted(told.begin(), told.end()));
    EXPECT_EQ(told.back(), bytes.size());

    // A file that grows while it is read (a registry being saved) is read to its new end: what
    // is past the size it had when opened comes in beyond.
    dir.Write("growing", "0123456789");
    bool grown = false;
    const Result<bool> readGrowing =
        ReadFileInPlace(dir.PathOf("growing"), into, beyond, [&](std::size_t) {
            if (!std::exchange(grown, true))
                std::ofstream(dir.PathOf("growing"), std::ios::binary | std::ios::app) << bytes;
        });
    ASSERT_TRUE(readGrowing.ok());
    EXPECT_EQ(into + beyond, "0123456789" + bytes);
}

}  // namespace
}  // namespace velmaro

namespace velmaro {
namespace {

// Runs kept give back exactly the bytes kept for their place, a run at the same offset but of
// another size being another run, through the growth of the table; past the most bytes, the
// oldest go with the rest and keeping starts anew.
TEST(KeptRuns, EachPlaceGivesItsOwnBytesUntilTheMostBytesArePassed) {
    KeptRuns runs;
    const auto bytesOf = [](std::int64_t offset, std::size_t size) {
        std::string bytes(size, '\0');
        for (std::size_t i = 0; i < size; ++i)
            bytes[i] = static_cast<char>('a' + (offset + static_cast<std::int64_t>(i)) % 26);
        return bytes;
    };
    for (std::int64_t n = 0; n < 5000; ++n) {
        runs.Keep(n * 17, 34, bytesOf(n * 17, 34));
        runs.Keep(n * 17, 17, bytesOf(n * 17, 17).substr(0, 5));  // cut by the end of the file
    }
    runs.Keep(0, 34, "not kept: the place is taken");
    for (std::int64_t n = 0; n < 5000; ++n) {
        ASSERT_EQ(runs.Find(n * 17, 34), bytesOf(n * 17, 34)) << n;
        ASSERT_EQ(runs.Find(n * 17, 17), bytesOf(n * 17, 17).substr(0, 5)) << n;
    }
    EXPECT_FALSE(runs.Find(5000 * 17, 34));
    EXPECT_FALSE(runs.Find(17, 51));

    const std::size_t large = KeptRuns::kMostBytes / 64;
    runs.Keep(-17, 17, "x");
    runs.Keep(1, large + 1, std::string(large + 1, 'x'));
    EXPECT_FALSE(runs.Find(-17, 17));
    EXPECT_FALSE(runs.Find(1, large + 1));
    for (std::int64_t n = 0; n < 70; ++n)
        runs.Keep(1000000 + n, large, std::string(large, static_cast<char>('A' + n % 26)));
    EXPECT_FALSE(runs.Find(0, 34)) << "kept past the most bytes";
    EXPECT_EQ(runs.Find(1000000 + 69, large), std::string(large, static_cast<char>('A' + 69 % 26)));
    EXPECT_LE(runs.HeldBytes(), KeptRuns::kMostBytes);
    runs.Clear();
    EXPECT_FALSE(runs.Find(1000000 + 69, large));
    EXPECT_EQ(runs.HeldBytes(), 0u) << "cleared runs hold their memory";
}

// Runs of one slot, or of none (past the end of a file cut short), are mostly table: the table
// counts towards the most bytes as much as the runs' bytes do.
TEST(KeptRuns, TinyAndEmptyRunsKeepToTheMostBytesWithTheirTable) {
    KeptRuns runs;
    std::size_t mostHeld = 0;
    for (std::int64_t n = 0; n < 1500000; ++n) {
        runs.Keep(n * 16, 16, std::string_view("0123456789abcdef", n % 3 == 0 ? 0 : 16));
        if (n % 4096 == 0) mostHeld = std::max(mostHeld, runs.HeldBytes());
    }
    EXPECT_LE(mostHeld, KeptRuns::kMostBytes);
    EXPECT_GT(mostHeld, KeptRuns::kMostBytes / 4) << "kept far fewer runs than the bytes allow";
    EXPECT_EQ(runs.Find(1499999 * 16, 16), "0123456789abcdef");
    EXPECT_EQ(runs.Find(1499997 * 16, 16), "") << "an empty run kept is found, empty";
    EXPECT_FALSE(runs.Find(16, 16)) << "kept past the most bytes";
}

}  // namespace
}  // namespace velmaro
