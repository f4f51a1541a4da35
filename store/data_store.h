#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "base/result.h"
#include "store/change_events.h"
#include "store/code_table.h"
#include "store/data_source.h"
#include "store/record_file.h"
#include "store/registry_key_index.h"

namespace velmaro {

// Slot sizes of the three record files.
inline constexpr std::size_t kRegistrySlotSize = 62;
inline constexpr std::size_t kExamSlotSize = 17;
inline constexpr std::size_t kYearSlotSize = 16;

// The folder that holds the running executable (the working folder if that cannot be told).
std::string ExecutableFolder();

// folder followed by "/": the data directory that --data-dir names. Nothing is removed from
// folder, so a folder already ending in "/" gives "//", which the system treats alike.
std::string DataDirOf(const std::string& folder);

// The open data of one session: the two tables loaded at start-up and the three record
// files, open read-only until the store is closed or destroyed. Nothing is ever written.
class DataStore {
  public:
    // Loads titoli.grp, then esami.grp, opens elenco.dir and reads its record count and
    // highest key, then opens esami.dir and velmara.dir (either may be missing and then reads
    // as empty). A missing or unreadable table or registry, or a registry without records, is
    // an error naming the file.
    // keeping tells whether the exam and year runs read are kept while their files do not
    // change (where the system reports changes): for lookups that may come again, as the
    // window's, not for a batch that draws each student once. A store that keeps none asks
    // after its files at each lookup, as on a network share.
    static Result<DataStore> LoadTables(
        const DataSource& source,
        RecordFile::RunKeeping keeping = RecordFile::RunKeeping::kKeepRunsRead);
    // The same from the files of the data directory dataDir.
    static Result<DataStore> LoadTables(
        const std::string& dataDir,
        RecordFile::RunKeeping keeping = RecordFile::RunKeeping::kKeepRunsRead);

    const CodeTable& Titles() const { return titles_; }
    const CodeTable& Exams() const { return exams_; }
    // The record files are read through a store that is not const: a read may reopen a file,
    // refresh the copy kept in memory or note what it cost, so that a store serves one thread
    // at a time.
    RecordFile& Registry() { return registry_; }
    const RecordFile& Registry() const { return registry_; }
    // The registry's keys, for searching it without reading every record probed.
    RegistryKeyIndex& RegistryIndex() { return registryIndex_; }
    RecordFile& ExamFile() { return examFile_; }
    const RecordFile& ExamFile() const { return examFile_; }
    RecordFile& YearFile() { return yearFile_; }
    const RecordFile& YearFile() const { return yearFile_; }

    // Records in elenco.dir: its length / 62 rounded half to even.
    std::int32_t RegistryCount() const { return bounds_.count; }
    // The key of the last record: the highest identification number on file.
    std::int32_t LastRegistryKey() const { return bounds_.lastKey; }

    // The two bounds of a search, as read at start-up: a change made to the registry in place
    // leaves them as they were. A registry replaced under its name (saved anew and renamed
    // over it) is a registry of its own, whose bounds are read once it is first searched. An
    // error names the registry when it cannot be read or holds no records.
    struct RegistryBounds {
        std::int32_t count = 0;
        std::int32_t lastKey = 0;
    };
    // Every lookup starts here: the changes the system reports of the three files are taken
    // in (one request, which tells the lookup's reads whether what they hold is still the
    // files' content), then the files follow their names (see FollowPaths).
    Result<RegistryBounds> CurrentRegistryBounds();

    // The changes reported of the record files; nothing where the system reports none (the
    // source does not use them, or the system cannot).
    const ChangeEvents* RecordChanges() const { return changeEvents_.get(); }

    // Whether a record file failed a read because the file open was replaced under its name on
    // a network share since the names were last looked at; the next lookup looks at once.
    bool SawStaleFile() const;

    // Releases the three record files; lookups afterwards report the files as closed.
    void CloseFiles();

  private:
    DataStore(CodeTable titles, CodeTable exams, RecordFile registry, RecordFile examFile,
              RecordFile yearFile, RegistryBounds bounds, bool useChangeEvents,
              RecordFile::RunKeeping keeping);

    // Once RecordFile::kPathCheckInterval has passed since the last time, or a file was found
    // replaced on a network share (SawStaleFile): the three files look
    // at their names together, never one on its own, so that a data set switched as a whole
    // (a data folder's link moved to another folder) is read all old or all new, never the
    // registry of one with the exams of the other. A look that finds a file replaced is followed
    // by another, until one finds the three files open still there: a switch in the middle of
    // a look is seen by the next. An error names a file that can no longer be read.
    Status FollowPaths();

    CodeTable titles_;
    CodeTable exams_;
    // Before the files, which point to it: it goes after them.
    std::unique_ptr<ChangeEvents> changeEvents_;
    RecordFile registry_;
    RegistryKeyIndex registryIndex_;
    RecordFile examFile_;
    RecordFile yearFile_;
    RegistryBounds bounds_;
    std::uint64_t boundsFileGeneration_ = 0;  // the registry file the bounds are of
    // On the coarse monotonic clock; none at first, so that the first lookup looks at the
    // three names together: they were opened one after the other.
    std::chrono::nanoseconds pathsLookedAt_{0};
};

// How many records a registry of length bytes holds: length / 62 rounded half to even, so a
// last slot more than half there is a record and one half there or less is none. Nothing when
// that is no 32-bit count.
std::optional<std::int32_t> RegistryRecordCount(std::int64_t length);

// The key of a record text: the numeric value of its first five characters, rounded; a key
// that is not a number, or out of range, counts as 0.
std::int32_t RecordKey(std::string_view recordText);

}  // namespace velmaro
