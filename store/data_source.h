#pragma once

#include <map>
#include <string>

#include "base/result.h"
#include "store/record_file.h"

namespace velmaro {

// Where the five data files are read from. The store reads a folder on disk; a source in
// memory serves the same reading to tests and fuzzers without any file.
class DataSource {
  public:
    virtual ~DataSource() = default;

    // What an error calls the file name ("elenco.dir", ...): its path.
    virtual std::string PathOf(const std::string& name) const = 0;
    // The whole content of the text file name; an error names it. A file longer than mostBytes
    // gives only its first mostBytes + 1 bytes, enough to tell that it is longer.
    virtual Result<std::string> ReadText(const std::string& name, std::size_t mostBytes) const = 0;
    // The record file name with slots of slotSize bytes, as RecordFile::Open opens it.
    virtual Result<RecordFile> OpenRecords(const std::string& name, std::size_t slotSize,
                                           RecordFile::IfMissing ifMissing,
                                           RecordFile::Reading reading) const = 0;
    // Whether the store may take the changes of the record files from the system's events
    // (ChangeEvents) instead of asking after each file at each lookup.
    virtual bool ReportsChanges() const { return false; }
};

// Whether the data directory dataDir (a folder followed by "/") is there as a folder: an error
// names the folder itself when it is missing or is no folder, which its first file would
// otherwise be blamed for. A folder that is there but cannot be read is left to its files.
Status DataFolderThere(const std::string& dataDir);

// The files of the data directory dataDir (a folder followed by "/"). clock, when given,
// replaces the system's for the record files' freshness checks; with kAskEachTime the store
// asks after each record file at each lookup even where the system reports changes.
class FolderSource final : public DataSource {
  public:
    enum class Changes { kReportedWhereTheSystemCan, kAskEachTime };
    explicit FolderSource(std::string dataDir, RecordFile::Clock clock = {},
                          Changes changes = Changes::kReportedWhereTheSystemCan)
        : dataDir_(std::move(dataDir)), clock_(std::move(clock)), changes_(changes) {}

    std::string PathOf(const std::string& name) const override { return dataDir_ + name; }
    Result<std::string> ReadText(const std::string& name, std::size_t mostBytes) const override;
    Result<RecordFile> OpenRecords(const std::string& name, std::size_t slotSize,
                                   RecordFile::IfMissing ifMissing,
                                   RecordFile::Reading reading) const override;
    bool ReportsChanges() const override { return changes_ == Changes::kReportedWhereTheSystemCan; }

  private:
    std::string dataDir_;
    RecordFile::Clock clock_;
    Changes changes_;
};

// Files held in memory, by name; a name without content is a missing file.
class MemorySource final : public DataSource {
  public:
    std::map<std::string, std::string> files;

    std::string PathOf(const std::string& name) const override { return name; }
    Result<std::string> ReadText(const std::string& name, std::size_t mostBytes) const override;
    Result<RecordFile> OpenRecords(const std::string& name, std::size_t slotSize,
                                   RecordFile::IfMissing ifMissing,
                                   RecordFile::Reading reading) const override;
};

}  // namespace velmaro
