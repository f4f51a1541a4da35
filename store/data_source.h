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
};

// Whether the data directory dataDir (a folder followed by "/") is there as a folder: an error
// names the folder itself when it is missing or is no folder, which its first file would
// otherwise be blamed for. A folder that is there but cannot be read is left to its files.
Status DataFolderThere(const std::string& dataDir);

// The files of the data directory dataDir (a folder followed by "/"). clock, when given,
// replaces the system's for the record files' freshness checks.
class FolderSource final : public DataSource {
  public:
    explicit FolderSource(std::string dataDir, RecordFile::Clock clock = {})
        : dataDir_(std::move(dataDir)), clock_(std::move(clock)) {}

    std::string PathOf(const std::string& name) const override { return dataDir_ + name; }
    Result<std::string> ReadText(const std::string& name, std::size_t mostBytes) const override;
    Result<RecordFile> OpenRecords(const std::string& name, std::size_t slotSize,
                                   RecordFile::IfMissing ifMissing,
                                   RecordFile::Reading reading) const override;

  private:
    std::string dataDir_;
    RecordFile::Clock clock_;
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
