#pragma once

#include <sys/types.h>

#include <array>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>

#include "base/result.h"
#include "store/data_file_names.h"

namespace velmaro {

// Which file one name of a data directory names (device and inode), and which version of it
// (its size and the times of its last change).
struct FileVersion {
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    std::int64_t modifiedSeconds = 0, modifiedNanoseconds = 0, changedSeconds = 0,
                 changedNanoseconds = 0;
    bool operator==(const FileVersion&) const = default;
};

// The versions of the files of a data directory, in the order of kDataFileNames; nothing where
// a name names no file.
using DataFileVersions = std::array<std::optional<FileVersion>, kDataFileNames.size()>;

// The version of the file that path names now; nothing when it names none.
std::optional<FileVersion> VersionOf(const std::string& path);

// The versions of dataDir's files now.
DataFileVersions VersionsOf(const std::string& dataDir);

// What became of the file of one name between two looks at it.
enum class FileChange {
    kNone,
    // The same file in another version: saved into the file itself, records added or cut.
    kWrittenInPlace,
    // The name names another file, or a file where there was none, or none any more: saved
    // anew and renamed over it, one by one or as a whole (a data folder's link moved).
    kReplaced,
};
FileChange ChangeOf(const std::optional<FileVersion>& before,
                    const std::optional<FileVersion>& after);

// The record files of a data directory as a run of cards reads them. A card reads its student's
// records one by one: a file written into meanwhile can give it part of the old records and
// part of the new, with no sign on the card. A file replaced whole is not such a change: each
// card reads its files all old or all new (DataStore follows the names), and the file now under
// the name is the one watched from then on, as cards read it next.
class RecordFilesWatch {
  public:
    // Looks at the record files of dataDir now, before any of their records is read.
    explicit RecordFilesWatch(std::string dataDir);

    // An error naming the first record file found written in place, since the watch began,
    // in a look at it, saying that cards drawn since could mix its records; nothing while none
    // was. Once found, the error stays: a file replaced after it was written into does not
    // make the cards drawn in between whole. Looks at the files again on each call; any thread
    // may call it.
    Status NoneWrittenInPlace() const;

  private:
    // The record files, read card by card: the tables are read whole before the first card,
    // so what is written into them later reaches no card.
    static constexpr std::array kRecordFileNames{kRegistryName, kExamsName, kYearsName};

    std::string dataDir_;
    mutable std::mutex looking_;
    // Each name's file and its version at the last look.
    mutable std::array<std::optional<FileVersion>, kRecordFileNames.size()> lastSeen_;
    mutable std::optional<Error> writtenInto_;
};

}  // namespace velmaro
