#pragma once

#include <sys/stat.h>

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/result.h"
#include "store/kept_runs.h"

namespace velmaro {

class ChangeEvents;

// The length field of a slot: the 2-byte little-endian number at its start; 0 when fewer than 2
// bytes exist.
std::size_t SlotLengthField(std::string_view slotBytes);

// The text of one slot of slotSize bytes, of which slotBytes are the ones that exist (fewer at
// the end of a file): the length field's count of characters, cut to the slot's capacity
// (slotSize - 2) and to the bytes that exist.
std::string_view SlotTextOf(std::string_view slotBytes, std::size_t slotSize);

// One of the fixed-slot record files, open read-only for as long as the object lives.
// Record n (counted from 1) is the slot at byte (n - 1) * slot size; a slot holds a 2-byte
// little-endian text length and that many single-byte characters.
//
// Odd slots never fail: a record number below 1 or past the end of the file reads as the
// empty text, a length larger than the slot holds is cut to the slot's capacity, and a slot
// cut short by the end of the file yields the bytes that exist. Only the operating system
// failing a read is an error.
//
// A file opened with kCopyInMemory (the registry, which every lookup probes many times) is
// read from a copy of its whole content from its second Refresh() on: a run that looks up one
// number reads only the records its search probes. Refresh() keeps the copy current: it asks
// the operating system whether the file changed and reads it afresh only when it did. A copy
// is never a mapping of the file, so a file cut short while Velmaro runs cannot crash it.
//
// A file opened from the disk is read through the descriptor opened first, so a change made
// in place shows at once. A file replaced under its name (saved anew and renamed over it, as
// many programs save), removed, or created where it was missing is followed by its name: a
// read at least kPathCheckInterval after the last look at the name reads the file now there,
// or fails naming the file removed.
//
// With change events (UseChangeEvents), a file on a local file system is asked after only
// when the events say it changed: until then its copy is trusted without a status request,
// and a run read from the disk is kept and handed out again without a read. A lookup then
// makes one request to the system, its owner's poll of the events, instead of one per file.
class RecordFile {
  public:
    enum class IfMissing { kFail, kReadAsEmpty };
    // How long the name is trusted to still name the file open: a look at it costs three
    // times a lookup's other requests, so a batch of lookups looks once in this long.
    static constexpr std::chrono::milliseconds kPathCheckInterval{50};
    enum class Reading { kFromFile, kCopyInMemory };
    // Whether a file read from the disk keeps the runs it reads while it does not change: worth
    // it where the same students are looked up again, a waste of memory where each is read once.
    enum class RunKeeping { kKeepRunsRead, kKeepNone };
    // The wall clock in whole seconds since the epoch, as the file times count.
    using Clock = std::function<std::int64_t()>;

    // Opens path read-only. A missing file is an error, or, with kReadAsEmpty, a file with
    // no records; the file is never created. clock (the system's when empty) tells a copy
    // made just after a change of the file, which may not show in its times yet.
    static Result<RecordFile> Open(std::string path, std::size_t slotSize, IfMissing ifMissing,
                                   Reading reading = Reading::kFromFile, Clock clock = {});

    // A record file whose whole content is content, read like a copy that never changes;
    // name stands for it in an error.
    static RecordFile FromMemory(std::string name, std::size_t slotSize, std::string content);

    RecordFile(RecordFile&& other) noexcept = default;
    RecordFile& operator=(RecordFile&& other) noexcept = default;

    const std::string& Path() const { return path_; }
    // The longest text a slot can hold.
    std::size_t TextCapacity() const { return slotSize_ - 2; }

    // The file's current length in bytes (0 for a missing file read as empty).
    Result<std::int64_t> Length();

    // The text of record recordNumber.
    Result<std::string> ReadRecord(std::int64_t recordNumber);
    // The same into text, whose storage is reused: a search that reads many records then
    // allocates once.
    Status ReadRecordInto(std::int64_t recordNumber, std::string& text);

    // The texts of the count records from first on, read with one request to the operating
    // system (more where it hands out fewer bytes, or the run passes the file's end); records
    // outside the file read as empty texts.
    Result<std::vector<std::string>> ReadRun(std::int64_t first, std::int64_t count);
    // The same texts handed to each in record order, as views that last only for the call:
    // a run read this way costs no allocation, and from a copy no copying. Nothing is read
    // when count is not positive; when the read fails, each is not called at all. each must
    // not read this file: the views may point into its copy.
    template <typename Each>
    Status ForEachInRun(std::int64_t first, std::int64_t count, Each&& each) {
        RunBytes run;
        VELMARO_TRY(ReadRunBytes(first, count, run));
        for (std::int64_t n = first; n < first + count; ++n)
            each(run.TextOf(n));
        return Ok();
    }

    // For a file read from a copy: one status request, and a read of the whole file when it
    // changed since the copy was made (or when there is no copy yet, but at the first call:
    // until the next, the file is read from the disk). Otherwise nothing.
    Status Refresh();

    // A number that tells the content of the copy in memory from any earlier content: it
    // changes when a Refresh finds different bytes, and stays when the file was read afresh
    // but came back the same. 0 while there is no copy (the file is read from the disk).
    std::uint64_t CopyGeneration() const { return hasCopy_ ? copyGeneration_ : 0; }

    // How many requests (reads, and status requests of Refresh) went to the operating system
    // since the file was opened.
    std::uint64_t ReadRequests() const { return readRequests_; }
    // How many bytes those requests read.
    std::uint64_t BytesRead() const { return bytesRead_; }

    // True for a missing file opened with kReadAsEmpty.
    bool IsMissing() const { return missing_; }

    // Once kPathCheckInterval has passed since the last look (never, after
    // LeavePathLooksToOwner): LookAtPath. Otherwise the error of the last look, if any.
    Status FollowPath();
    // Whether the path still names the file open. Another file there, or one where there was
    // none, is opened and read from now on; no file where one was open is an error naming it,
    // until a file is there again.
    Status LookAtPath();
    // Whether a request failed because the file open is no longer there ("stale file handle":
    // a network share's file replaced under its name by another client) since the last look
    // at the name; the next FollowPath then looks at once.
    bool StaleHandleSeen() const { return staleHandle_; }
    // From now on the file's reads never look at its name by themselves: its owner calls
    // LookAtPath, for files that must follow their names together.
    void LeavePathLooksToOwner() { pathLookedAtByOwner_ = true; }

    // How many times the name has been found naming another file than the one read until
    // then (see FollowPath); 0 for the file opened first.
    std::uint64_t FileGeneration() const { return fileGeneration_; }

    // From now on the file's changes are told by events, where its file system reports them
    // (see the class comment). events must outlive the file, and its owner polls them before
    // every read that must see the file's current content: what changed after the last poll
    // may not show until the next.
    void UseChangeEvents(ChangeEvents& events, RunKeeping keeping = RunKeeping::kKeepRunsRead);
    // The bytes of the file held in memory: its copy and the runs kept.
    std::size_t HeldBytes() const;

    // Releases the file; later reads fail with a clear message.
    void Close();
    bool IsClosed() const { return closed_; }

  private:
    // The slots of a run as one read returned them: on the stack for a run of up to 99
    // records (all but odd cases), on the heap otherwise.
    class RunBytes {
      public:
        RunBytes() = default;
        RunBytes(const RunBytes&) = delete;
        RunBytes& operator=(const RunBytes&) = delete;
        // The text of record n of the run; empty for a record outside the file.
        std::string_view TextOf(std::int64_t n) const;

      private:
        friend class RecordFile;
        std::array<char, 2048> stackBytes_;
        std::string heapBytes_;
        const char* bytes_ = nullptr;
        std::size_t got_ = 0;
        std::int64_t firstInFile_ = 1;
        std::size_t slotSize_ = 1;
    };

    // Reads the slots of records first ... first + count - 1 that lie in the file into run,
    // with one request (see ReadRun).
    Status ReadRunBytes(std::int64_t first, std::int64_t count, RunBytes& run);

    // What tells one version of a file from another.
    struct Version {
        std::uint64_t device = 0, inode = 0;
        std::int64_t size = -1, modifiedSeconds = 0, modifiedNanoseconds = 0, changedSeconds = 0,
                     changedNanoseconds = 0;
        bool operator==(const Version&) const = default;
    };
    static Version VersionOf(const struct stat& status);

    // An open file descriptor, closed when its owner goes; -1 when there is none.
    class Descriptor {
      public:
        explicit Descriptor(int descriptor = -1) : descriptor_(descriptor) {}
        Descriptor(Descriptor&& other) noexcept
            : descriptor_(std::exchange(other.descriptor_, -1)) {}
        Descriptor& operator=(Descriptor&& other) noexcept {
            if (this != &other) Reset(std::exchange(other.descriptor_, -1));
            return *this;
        }
        ~Descriptor() { Reset(); }
        int get() const { return descriptor_; }
        void Reset(int descriptor = -1);

      private:
        int descriptor_;
    };

    RecordFile(std::string path, std::size_t slotSize, int descriptor, Reading reading,
               Clock clock);

    // The error of a request to the system that failed with error, noting a stale handle.
    Error ReadFailure(int error);

    // The file read until now is no longer the one under the name: closed, its copy dropped,
    // and every read fails for reason until the name names a readable data file again.
    void StopReading(std::string reason);

    // The events' count of the changes of the file open; nothing without events, or where
    // they are not reported.
    std::optional<std::uint64_t> ChangesSeen() const;
    // Watches the file now open, forgetting the one watched before; the runs kept go.
    void WatchFileOpen();
    void ForgetKeptRuns();
    // The status of the file open, from a look at its name: a change since the last look drops
    // what the events let be trusted, for the writers whose changes raise no event.
    void NoteStatusAtLook(const struct stat& open);

    // For a file read from a copy: the up to size bytes of the copy at offset, in place.
    // Nothing for a file read from the disk, or while there is no copy.
    std::optional<std::string_view> CopyAt(std::int64_t offset, std::size_t size) const;
    // Reads up to size bytes at offset, with as many read requests as the system needs to
    // hand them out; fewer only at the end of the file.
    Result<std::size_t> ReadFromFile(std::int64_t offset, char* buffer, std::size_t size);

    std::string path_;
    std::size_t slotSize_;
    Descriptor descriptor_;  // none for a missing file read as empty
    Reading reading_;
    Clock clock_;
    bool closed_ = false;
    bool missing_ = false;
    bool followsPath_ = false;  // opened by its name on the disk, not from memory
    bool pathLookedAtByOwner_ = false;
    bool staleHandle_ = false;
    // Why the name could not be read at the last look (it named no file any more, or one that
    // cannot be opened or is no data file); nothing when it could.
    std::optional<std::string> pathError_;
    std::uint64_t fileGeneration_ = 0;
    std::chrono::nanoseconds pathLookedAt_{0};  // on the coarse monotonic clock
    std::uint64_t readRequests_ = 0;
    std::uint64_t bytesRead_ = 0;
    // The copy of a file read with kCopyInMemory, and the version it was made from.
    std::string copy_;
    Version copyVersion_;
    bool hasCopy_ = false;
    bool refreshedBefore_ = false;
    bool copyMayBeStale_ = false;
    std::uint64_t copyGeneration_ = 0;

    ChangeEvents* changeEvents_ = nullptr;  // not owned
    RunKeeping runKeeping_ = RunKeeping::kKeepRunsRead;
    std::optional<int> watchId_;
    // The count of changes when the copy was last found to be the file's content.
    std::optional<std::uint64_t> copyTrustedAt_;
    // Runs read from the disk, as long as the count of changes stays runsKeptAt_.
    KeptRuns keptRuns_;
    std::optional<std::uint64_t> runsKeptAt_;
    // The file's status at the last look at its name, while events tell its changes.
    std::optional<Version> lookedAtVersion_;
};

}  // namespace velmaro
