#include "store/record_file.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "store/data_store.h"
#include "tests/store/data_files.h"

namespace velmaro {
namespace {

using testdata::Slot;
using ::testing::ElementsAre;

RecordFile OpenOrThrow(const std::string& path, std::size_t slotSize) {
    auto file = RecordFile::Open(path, slotSize, RecordFile::IfMissing::kFail);
    if (!file) throw std::runtime_error(file.error().Message());
    return std::move(*file);
}

// An exam file with a plain record, a length larger than the slot, a zero length, and a last
// slot cut short by the end of the file (it declares 12 characters, 5 exist).
class OddExamSlots : public ::testing::Test {
  protected:
    static std::string Write(const testdata::TempDataDir& dir) {
        dir.Write("esami.dir", Slot("MAT12824091512", kExamSlotSize) +
                                   Slot("ABCDEFGHIJKLMNOP", kExamSlotSize, 500) +
                                   Slot("", kExamSlotSize) +
                                   Slot("FIS12023", kExamSlotSize, 12).substr(0, 7));
        return dir.PathOf("esami.dir");
    }
    testdata::TempDataDir dir_;
    std::string path_ = Write(dir_);
    RecordFile file_ = OpenOrThrow(path_, kExamSlotSize);
};

TEST_F(OddExamSlots, EachRecordNumberReadsWhatItsSlotHolds) {
    const std::pair<std::int64_t, const char*> cases[] = {{1, "MAT12824091512"},
                                                          {2, "ABCDEFGHIJKLMNO"},
                                                          {3, ""},
                                                          {4, "FIS12"},
                                                          {0, ""},
                                                          {-1, ""},
                                                          {5, ""},
                                                          {1000000, ""}};
    for (const auto& [number, text] : cases)
        EXPECT_EQ(*file_.ReadRecord(number), text) << number;
}

TEST_F(OddExamSlots, RunIsOneRequestAndOutsideRecordsAreEmpty) {
    const auto before = file_.ReadRequests();
    EXPECT_THAT(*file_.ReadRun(-1, 8),
                ElementsAre("", "", "MAT12824091512", "ABCDEFGHIJKLMNO", "", "FIS12", "", ""));
    EXPECT_EQ(file_.ReadRequests() - before, 1u);
    EXPECT_THAT(*file_.ReadRun(2, 2), ElementsAre("ABCDEFGHIJKLMNO", ""));
    EXPECT_EQ(file_.ReadRequests() - before, 2u);
    EXPECT_THAT(*file_.ReadRun(-5, 3), ElementsAre("", "", ""));
}

TEST_F(OddExamSlots, ClosedFileFailsNamingIt) {
    file_.Close();
    const auto record = file_.ReadRecord(1);
    const auto run = file_.ReadRun(1, 2);
    ASSERT_FALSE(record.ok() || run.ok());
    EXPECT_EQ(record.error().file, path_);
    EXPECT_EQ(run.error().file, path_);
}

TEST(RecordFile, LengthLargerThanTheSlotIsCutToItsCapacity) {
    const std::pair<std::size_t, std::size_t> cases[] = {
        {kRegistrySlotSize, 60}, {kExamSlotSize, 15}, {kYearSlotSize, 14}};
    for (const auto& [slotSize, capacity] : cases) {
        const testdata::TempDataDir dir;
        const std::string text(100, 'x');
        dir.Write("f", Slot(text, slotSize, 0xFFFF) + Slot("y", slotSize) + "\x01");
        const RecordFile file = OpenOrThrow(dir.PathOf("f"), slotSize);
        EXPECT_EQ(*file.ReadRecord(1), text.substr(0, capacity)) << slotSize;
        EXPECT_EQ(*file.ReadRecord(2), "y") << slotSize;
        EXPECT_EQ(*file.ReadRecord(3), "") << "slot of one byte, " << slotSize;
    }
}

TEST(RecordFile, MissingFileReadsAsEmptyOnlyWhenAskedAndIsNeverCreated) {
    const testdata::TempDataDir dir;
    const std::string path = dir.PathOf("velmara.dir");
    const auto file = RecordFile::Open(path, kYearSlotSize, RecordFile::IfMissing::kReadAsEmpty);
    ASSERT_TRUE(file.ok());
    EXPECT_EQ(*file->Length(), 0);
    EXPECT_THAT(*file->ReadRun(1, 2), ElementsAre("", ""));
    const auto strict = RecordFile::Open(path, kYearSlotSize, RecordFile::IfMissing::kFail);
    ASSERT_FALSE(strict.ok());
    EXPECT_EQ(strict.error().file, path);
    EXPECT_FALSE(std::filesystem::exists(path));
}

}  // namespace
}  // namespace velmaro

namespace velmaro {
namespace {

// The registry is read from a copy in memory; the copy must follow the file, including a file
// rewritten in place with the same length and one cut to nothing, and must never crash.
TEST(RecordFileCopy, FollowsTheFileThroughRewritesAndTruncation) {
    testdata::TempDataDir dir;
    dir.Write("elenco.dir", testdata::Slots({"00001A", "00002B"}, kRegistrySlotSize));
    auto file = RecordFile::Open(dir.PathOf("elenco.dir"), kRegistrySlotSize,
                                 RecordFile::IfMissing::kFail, RecordFile::Reading::kCopyInMemory);
    ASSERT_TRUE(file.ok());
    EXPECT_EQ(*file->ReadRecord(2), "00002B");
    const std::uint64_t afterCopy = file->ReadRequests();
    EXPECT_EQ(*file->ReadRecord(1), "00001A");
    EXPECT_EQ(file->ReadRequests(), afterCopy) << "records come from the copy";

    dir.Write("elenco.dir", testdata::Slots({"00001C", "00002D"}, kRegistrySlotSize));
    ASSERT_TRUE(file->Refresh().ok());
    EXPECT_EQ(*file->ReadRecord(1), "00001C");

    dir.Write("elenco.dir", "");
    ASSERT_TRUE(file->Refresh().ok());
    EXPECT_EQ(*file->ReadRecord(1), "");
    EXPECT_EQ(*file->ReadRun(1, 2), (std::vector<std::string>{"", ""}));

    file->Close();
    EXPECT_FALSE(file->Refresh().ok());
}

}  // namespace
}  // namespace velmaro
