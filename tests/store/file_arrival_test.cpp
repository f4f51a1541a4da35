// A file read on a thread of its own gives what reading it whole gives, and its bytes as they
// arrive.

#include "store/file_arrival.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "store/text_file.h"
#include "tests/store/data_files.h"

namespace velmaro {
namespace {

TEST(FileArrival, ArrivesWholeAsReadingItWholeGivesIt) {
    const testdata::TempDataDir dir;
    std::string bytes;
    for (int i = 0; bytes.size() < 3'000'000; ++i)
        bytes += std::to_string(i) + ' ';
    dir.Write("large", bytes);
    dir.Write("empty", "");
    for (const std::string& content : {bytes, std::string()}) {
        FileArrival arrival(dir.PathOf(content.empty() ? "empty" : "large"));
        const std::string_view expected = arrival.Expected();
        ASSERT_EQ(expected.size(), content.size());
        EXPECT_GE(arrival.WaitFor(content.size() / 2), content.size() / 2);
        EXPECT_EQ(arrival.WaitFor(content.size() + 1), content.size());
        EXPECT_EQ(expected, content);
        const Result<std::string> whole = arrival.Finish();
        ASSERT_TRUE(whole.ok());
        EXPECT_EQ(*whole, content);
    }
}

// A read of a whole file in one request returns only when all of it is there: bytes waited for
// are read in pieces, each told as it arrives.
TEST(FileArrival, BytesWaitedForAreToldPieceByPiece) {
    const testdata::TempDataDir dir;
    const std::string bytes(3'000'000, 'x');
    dir.Write("large", bytes);
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
}

TEST(FileArrival, FailsAsReadingItWholeFails) {
    const testdata::TempDataDir dir;
    std::filesystem::create_directory(dir.PathOf("folder"));
    for (const char* name : {"missing", "folder"}) {
        FileArrival arrival(dir.PathOf(name));
        EXPECT_TRUE(arrival.Expected().empty());
        EXPECT_EQ(arrival.WaitFor(10), 0u);
        const Result<std::string> arrived = arrival.Finish();
        const Result<std::string> read = ReadWholeFile(dir.PathOf(name));
        ASSERT_FALSE(arrived.ok());
        ASSERT_FALSE(read.ok());
        EXPECT_EQ(arrived.error().Message(), read.error().Message());
    }
}

}  // namespace
}  // namespace velmaro
