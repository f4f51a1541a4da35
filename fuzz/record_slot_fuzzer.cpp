// A record file of any content with each slot size: records and runs read from anywhere,
// and a registry record and the records it points at taken apart. Never a crash, and no text longer
// than a slot holds.

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "base/numeric_value.h"
#include "store/career_records.h"
#include "store/data_store.h"
#include "store/record_file.h"
#include "store/student.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string content(reinterpret_cast<const char*>(data), size);
    for (const std::size_t slotSize :
         {velmaro::kRegistrySlotSize, velmaro::kExamSlotSize, velmaro::kYearSlotSize}) {
        auto file = velmaro::RecordFile::FromMemory("records", slotSize, content);
        const auto slots = static_cast<std::int64_t>(size / slotSize) + 1;
        for (const std::int64_t record :
             {std::int64_t{-1}, std::int64_t{0}, std::int64_t{1}, slots - 1, slots, slots + 1}) {
            const auto text = file.ReadRecord(record);
            if (!text || text->size() > file.TextCapacity()) std::abort();
            const velmaro::SplitRecord split = velmaro::SplitStudentRecord(*text);
            // The runs the record points at, read from this same file.
            const auto run = velmaro::GatherRecords(file, split.FirstExamRec, split.ExamRecCount);
            if (!run || run->size() != static_cast<std::size_t>(split.ExamRecCount)) std::abort();
            for (const std::string& record : *run) {
                (void)velmaro::ParseExamRecord(record);
                (void)velmaro::ParseYearRecord(record);
            }
            (void)velmaro::RecordKey(*text);
        }
        // A run given by the first bytes, start and count both possibly negative.
        if (size >= 4) {
            const std::int64_t first = static_cast<std::int8_t>(data[0]) * 256 + data[1];
            const std::int64_t count = static_cast<std::int8_t>(data[2]) * 4 + data[3] % 4;
            const auto run = file.ReadRun(first, count);
            if (!run || run->size() != static_cast<std::size_t>(count > 0 ? count : 0))
                std::abort();
        }
    }
    return 0;
}
