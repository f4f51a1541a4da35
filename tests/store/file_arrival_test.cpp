// A file read on a thread of its own gives what reading it whole gives, and its bytes as they
// arrive.

#include "store/file_arrival.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "store/text_file.h"
#include "tests/store/data_files.h"

namespace velmaro {
namespace {

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
