#include "store/data_store.h"

#include <algorithm>
#include <filesystem>
#include <utility>

#include "base/numeric_value.h"
#include "base/text_fields.h"

namespace velmaro {

std::string ExecutableFolder() {
    std::error_code error;
    const auto executable = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error) return std::filesystem::current_path(error).string();
    return executable.parent_path().string();
}

std::string DataDirOf(const std::string& folder) { return folder + "/"; }

std::int32_t RecordKey(std::string_view recordText) {
    // Each search reads some 17 keys: this is the lookup's hottest line.
    return WholeNumberValue(Left(recordText, 5)).value_or(0);
}

DataStore::DataStore(CodeTable titles, CodeTable exams, RecordFile registry, RecordFile examFile,
                     RecordFile yearFile, std::int32_t registryCount, std::int32_t lastRegistryKey)
    : titles_(std::move(titles)),
      exams_(std::move(exams)),
      registry_(std::move(registry)),
      examFile_(std::move(examFile)),
      yearFile_(std::move(yearFile)),
      registryCount_(registryCount),
      lastRegistryKey_(lastRegistryKey) {}

Result<DataStore> DataStore::LoadTables(const std::string& dataDir) {
    return LoadTables(FolderSource(dataDir));
}

Result<DataStore> DataStore::LoadTables(const DataSource& source) {
    VELMARO_TRY(auto titles, LoadTitleGroups(source));
    VELMARO_TRY(auto exams, LoadExamTable(source));

    VELMARO_TRY(auto registry,
                source.OpenRecords("elenco.dir", kRegistrySlotSize, RecordFile::IfMissing::kFail,
                                   RecordFile::Reading::kCopyInMemory));
    VELMARO_TRY(const std::int64_t length, registry.Length());
    const auto count = RoundToInt32(static_cast<double>(length) / kRegistrySlotSize);
    if (!count) return Error{registry.Path(), "the file is too large for a student registry"};
    if (*count < 1) return Error{registry.Path(), "the student registry holds no records"};
    VELMARO_TRY(const std::string lastRecord, registry.ReadRecord(*count));

    VELMARO_TRY(auto examFile,
                source.OpenRecords("esami.dir", kExamSlotSize, RecordFile::IfMissing::kReadAsEmpty,
                                   RecordFile::Reading::kFromFile));
    VELMARO_TRY(auto yearFile, source.OpenRecords("velmara.dir", kYearSlotSize,
                                                  RecordFile::IfMissing::kReadAsEmpty,
                                                  RecordFile::Reading::kFromFile));

    return DataStore(std::move(titles), std::move(exams), std::move(registry), std::move(examFile),
                     std::move(yearFile), *count, RecordKey(lastRecord));
}

void DataStore::CloseFiles() {
    registry_.Close();
    examFile_.Close();
    yearFile_.Close();
}

}  // namespace velmaro
