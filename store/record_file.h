#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "store/result.h"

namespace velmaro {

// One of the fixed-slot record files, open read-only for as long as the object lives.
// Record n (counted from 1) is the slot at byte (n - 1) * slot size; a slot holds a 2-byte
// little-endian text length and that many single-byte characters.
//
// Odd slots never fail: a record number below 1 or past the end of the file reads as the
// empty text, a length larger than the slot holds is cut to the slot's capacity, and a slot
// cut short by the end of the file yields the bytes that exist. Only the operating system
// failing a read is an error.
class RecordFile {
  public:
    enum class IfMissing { kFail, kReadAsEmpty };

    // Opens path read-only. A missing file is an error, or, with kReadAsEmpty, a file with
    // no records; the file is never created.
    static Result<RecordFile> Open(std::string path, std::size_t slotSize, IfMissing ifMissing);

    RecordFile(RecordFile&& other) noexcept;
    RecordFile& operator=(RecordFile&& other) noexcept;
    RecordFile(const RecordFile&) = delete;
    RecordFile& operator=(const RecordFile&) = delete;
    ~RecordFile();

    const std::string& Path() const { return path_; }
    std::size_t SlotSize() const { return slotSize_; }
    // The longest text a slot can hold.
    std::size_t TextCapacity() const { return slotSize_ - 2; }

    // The file's current length in bytes (0 for a missing file read as empty).
    Result<std::int64_t> Length() const;

    // The text of record recordNumber.
    Result<std::string> ReadRecord(std::int64_t recordNumber) const;

    // The texts of the count records from first on, read with one request to the
    // operating system; records outside the file read as empty texts.
    Result<std::vector<std::string>> ReadRun(std::int64_t first, std::int64_t count) const;

    // How many read requests went to the operating system since the file was opened.
    std::uint64_t ReadRequests() const { return readRequests_; }

    // Releases the file; later reads fail with a clear message.
    void Close();
    bool IsClosed() const { return closed_; }

  private:
    RecordFile(std::string path, std::size_t slotSize, int descriptor);

    // Reads up to size bytes at offset; fewer only at the end of the file.
    Result<std::size_t> ReadAt(std::int64_t offset, char* buffer, std::size_t size) const;
    std::string SlotText(const char* slot, std::size_t available) const;

    std::string path_;
    std::size_t slotSize_;
    int descriptor_;  // -1 for a missing file read as empty
    bool closed_ = false;
    mutable std::uint64_t readRequests_ = 0;
};

}  // namespace velmaro
