#include "store/data_store.h"

#include <filesystem>
#include <utility>

#include "store/numeric_value.h"
#include "store/text_fields.h"

namespace velmaro {

std::string ExecutableFolder() {
    std::error_code error;
    const auto executable = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error) return std::filesystem::current_path(error).string();
    return executable.parent_path().string();
}

std::string DataDirOf(const std::string& folder) { return folder + "/"; }

std::int32_t RecordKey(std::string_view recordText) {
    return RoundToInt32(NumericValue(Left(recordText, 5))).value_or(0);
}

DataStore::DataStore(std::string dataDir, CodeTable titles, CodeTable exams, RecordFile registry,
                     RecordFile examFile, RecordFile yearFile, std::int32_t registryCount,
                     std::int32_t lastRegistryKey)
    : dataDir_(std::move(dataDir)),
      titles_(std::move(titles)),
      exams_(std::move(exams)),
      registry_(std::move(registry)),
      examFile_(std::move(examFile)),
      yearFile_(std::move(yearFile)),
      registryCount_(registryCount),
      lastRegistryKey_(lastRegistryKey) {}

Result<DataStore> DataStore::LoadTables(const std::string& dataDir) {
    auto titles = LoadTitleGroups(dataDir);
    if (!titles) return titles.error();
    auto exams = LoadExamTable(dataDir);
    if (!exams) return exams.error();

    auto registry =
        RecordFile::Open(dataDir + "elenco.dir", kRegistrySlotSize, RecordFile::IfMissing::kFail,
                         RecordFile::Reading::kCopyInMemory);
    if (!registry) return registry.error();
    const auto length = registry->Length();
    if (!length) return length.error();
    const auto count = RoundToInt32(static_cast<double>(*length) / kRegistrySlotSize);
    if (!count) return Error{registry->Path(), "the file is too large for a student registry"};
    if (*count < 1) return Error{registry->Path(), "the student registry holds no records"};
    const auto lastRecord = registry->ReadRecord(*count);
    if (!lastRecord) return lastRecord.error();
    const std::int32_t lastKey = RecordKey(*lastRecord);

    auto examFile =
        RecordFile::Open(dataDir + "esami.dir", kExamSlotSize, RecordFile::IfMissing::kReadAsEmpty);
    if (!examFile) return examFile.error();
    auto yearFile = RecordFile::Open(dataDir + "velmara.dir", kYearSlotSize,
                                     RecordFile::IfMissing::kReadAsEmpty);
    if (!yearFile) return yearFile.error();

    return DataStore(dataDir, std::move(*titles), std::move(*exams), std::move(*registry),
                     std::move(*examFile), std::move(*yearFile), *count, lastKey);
}

void DataStore::CloseFiles() {
    registry_.Close();
    examFile_.Close();
    yearFile_.Close();
}

}  // namespace velmaro
