#include "store/record_file.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "store/data_store.h"
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
    const auto file =
        RecordFile::Open(dir.PathOf("esami.dir"), kExamSlotSize, RecordFile::IfMissing::kFail);
    ASSERT_TRUE(file.ok());
    const Texts records = {"", "", "MAT12824091512", "ABCDEFGHIJKLMNO", "", "FIS12", "", ""};
    EXPECT_EQ(*file->ReadRun(-1, 8), records);  // records -1 ... 6
    EXPECT_EQ(file->ReadRequests(), 1u);
    for (int n = -1; n <= 6; ++n)
        EXPECT_EQ(*file->ReadRecord(n), records[n + 1]) << n;
    EXPECT_EQ(*file->ReadRecord(1000000), "");
}

// The registry is read from a copy in memory; the copy must follow the file, including a file
// rewritten in place with the same length and one cut to nothing.
TEST(RecordFileCopy, FollowsTheFileThroughRewritesAndTruncation) {
    const testdata::TempDataDir dir;
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
    EXPECT_EQ(*file->ReadRun(1, 2), (Texts{"", ""}));
}

}  // namespace
}  // namespace velmaro
