#include "store/data_store.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <utility>

#include "base/coarse_clock.h"
#include "base/numeric_value.h"
#include "base/text_fields.h"
#include "store/data_file_names.h"

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

std::optional<std::int32_t> RegistryRecordCount(std::int64_t length) {
    return RoundToInt32(static_cast<double>(length) / kRegistrySlotSize);
}

namespace {

// The registry's record count and the key of its last record; an error when it cannot be read
// or holds no records.
Result<DataStore::RegistryBounds> ReadRegistryBounds(RecordFile& registry) {
    VELMARO_TRY(const std::int64_t length, registry.Length());
    const auto count = RegistryRecordCount(length);
    if (!count) return Error{registry.Path(), "the file is too large for a student registry"};
    if (*count < 1) return Error{registry.Path(), "the student registry holds no records"};
    VELMARO_TRY(const std::string lastRecord, registry.ReadRecord(*count));
    return DataStore::RegistryBounds{*count, RecordKey(lastRecord)};
}

}  // namespace

DataStore::DataStore(CodeTable titles, CodeTable exams, RecordFile registry, RecordFile examFile,
                     RecordFile yearFile, RegistryBounds bounds, bool useChangeEvents,
                     RecordFile::RunKeeping keeping)
    : titles_(std::move(titles)),
      exams_(std::move(exams)),
      registry_(std::move(registry)),
      examFile_(std::move(examFile)),
      yearFile_(std::move(yearFile)),
      bounds_(bounds),
      boundsFileGeneration_(registry_.FileGeneration()) {
    registry_.LeavePathLooksToOwner();
    examFile_.LeavePathLooksToOwner();
    yearFile_.LeavePathLooksToOwner();
    // A store that keeps no runs draws each student once (a batch, one store a thread): the
    // events would save it one status request a card, and take one of the few instances of
    // them the system grants each user (128 by default), which other programs need.
    if (useChangeEvents && keeping == RecordFile::RunKeeping::kKeepRunsRead)
        changeEvents_ = ChangeEvents::Start();
    if (changeEvents_) {
        registry_.UseChangeEvents(*changeEvents_);
        examFile_.UseChangeEvents(*changeEvents_, keeping);
        yearFile_.UseChangeEvents(*changeEvents_, keeping);
    }
}

Status DataStore::FollowPaths() {
    const std::array<RecordFile*, 3> files = {&registry_, &examFile_, &yearFile_};
    const auto generations = [&] {
        return std::array<std::uint64_t, 3>{files[0]->FileGeneration(), files[1]->FileGeneration(),
                                            files[2]->FileGeneration()};
    };
    const std::chrono::nanoseconds now = CoarseMonotonicNow();
    if (now - pathsLookedAt_ >= RecordFile::kPathCheckInterval || SawStaleFile()) {
        pathsLookedAt_ = now;
        // A keeper switching sets without pause could keep every look busy: a few suffice for
        // any switch made once.
        constexpr int kMostLooks = 4;
        for (int look = 0; look < kMostLooks; ++look) {
            const auto before = generations();
            for (RecordFile* file : files)
                (void)file->LookAtPath();  // its error is asked for below
            if (generations() == before) break;
        }
    }
    for (RecordFile* file : files)
        VELMARO_TRY(file->FollowPath());
    return Ok();
}

bool DataStore::SawStaleFile() const {
    return registry_.StaleHandleSeen() || examFile_.StaleHandleSeen() ||
           yearFile_.StaleHandleSeen();
}

Result<DataStore::RegistryBounds> DataStore::CurrentRegistryBounds() {
    if (changeEvents_) changeEvents_->Poll();
    VELMARO_TRY(FollowPaths());
    if (registry_.FileGeneration() != boundsFileGeneration_) {
        VELMARO_TRY(bounds_, ReadRegistryBounds(registry_));
        boundsFileGeneration_ = registry_.FileGeneration();
    }
    return bounds_;
}

Result<DataStore> DataStore::LoadTables(const std::string& dataDir,
                                        RecordFile::RunKeeping keeping) {
    VELMARO_TRY(DataFolderThere(dataDir));
    return LoadTables(FolderSource(dataDir), keeping);
}

Result<DataStore> DataStore::LoadTables(const DataSource& source, RecordFile::RunKeeping keeping) {
    VELMARO_TRY(auto titles, LoadTitleGroups(source));
    VELMARO_TRY(auto exams, LoadExamTable(source));

    VELMARO_TRY(auto registry, source.OpenRecords(std::string(kRegistryName), kRegistrySlotSize,
                                                  RecordFile::IfMissing::kFail,
                                                  RecordFile::Reading::kCopyInMemory));
    VELMARO_TRY(const RegistryBounds bounds, ReadRegistryBounds(registry));

    VELMARO_TRY(auto examFile, source.OpenRecords(std::string(kExamsName), kExamSlotSize,
                                                  RecordFile::IfMissing::kReadAsEmpty,
                                                  RecordFile::Reading::kFromFile));
    VELMARO_TRY(auto yearFile, source.OpenRecords(std::string(kYearsName), kYearSlotSize,
                                                  RecordFile::IfMissing::kReadAsEmpty,
                                                  RecordFile::Reading::kFromFile));

    return DataStore(std::move(titles), std::move(exams), std::move(registry), std::move(examFile),
                     std::move(yearFile), bounds, source.ReportsChanges(), keeping);
}

void DataStore::CloseFiles() {
    registry_.Close();
    examFile_.Close();
    yearFile_.Close();
}

}  // namespace velmaro
