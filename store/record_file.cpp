#include "store/record_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

#include "base/coarse_clock.h"
#include "base/system_reason.h"
#include "store/change_events.h"
#include "store/text_file.h"

namespace velmaro {
namespace {

// Larger than the registry of 99,999 students (the most that 5-digit numbers allow).
constexpr std::int64_t kLargestCopy = 16 << 20;

// How long after its last change a file's times are trusted to tell a later change.
constexpr std::int64_t kSettledSeconds = 2;

std::int64_t SystemSeconds() {
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    return now.tv_sec;
}

}  // namespace

Result<RecordFile> RecordFile::Open(std::string path, std::size_t slotSize, IfMissing ifMissing,
                                    Reading reading, Clock clock) {
    if (!clock) clock = SystemSeconds;
    const int descriptor = OpenForReading(path);
    if (descriptor < 0) {
        const int error = errno;
        if (error != ENOENT || ifMissing != IfMissing::kReadAsEmpty)
            return Error{path, SystemReason(error)};
    } else if (struct stat info{}; ::fstat(descriptor, &info) == 0) {
        if (const std::optional<std::string> why = WhyNotADataFile(info.st_mode)) {
            ::close(descriptor);
            return Error{path, *why};
        }
    }
    RecordFile file(std::move(path), slotSize, descriptor, reading, std::move(clock));
    file.missing_ = descriptor < 0;
    file.followsPath_ = true;
    file.pathLookedAt_ = CoarseMonotonicNow();
    return file;
}

RecordFile RecordFile::FromMemory(std::string name, std::size_t slotSize, std::string content) {
    RecordFile file(std::move(name), slotSize, -1, Reading::kCopyInMemory, SystemSeconds);
    file.copy_ = std::move(content);
    file.hasCopy_ = true;
    file.copyGeneration_ = 1;
    return file;
}

RecordFile::RecordFile(std::string path, std::size_t slotSize, int descriptor, Reading reading,
                       Clock clock)
    : path_(std::move(path)),
      slotSize_(slotSize),
      descriptor_(descriptor),
      reading_(reading),
      clock_(std::move(clock)) {}

void RecordFile::Descriptor::Reset(int descriptor) {
    if (descriptor_ >= 0) ::close(descriptor_);
    descriptor_ = descriptor;
}

void RecordFile::UseChangeEvents(ChangeEvents& events, RunKeeping keeping) {
    changeEvents_ = &events;
    runKeeping_ = keeping;
    WatchFileOpen();
}

void RecordFile::WatchFileOpen() {
    if (changeEvents_ == nullptr) return;
    if (watchId_) changeEvents_->Forget(*watchId_);
    watchId_ = changeEvents_->Watch(descriptor_.get());
    copyTrustedAt_.reset();
    ForgetKeptRuns();
    lookedAtVersion_.reset();
}

RecordFile::Version RecordFile::VersionOf(const struct stat& status) {
    return Version{static_cast<std::uint64_t>(status.st_dev),
                   static_cast<std::uint64_t>(status.st_ino),
                   static_cast<std::int64_t>(status.st_size),
                   status.st_mtim.tv_sec,
                   status.st_mtim.tv_nsec,
                   status.st_ctim.tv_sec,
                   status.st_ctim.tv_nsec};
}

void RecordFile::NoteStatusAtLook(const struct stat& open) {
    // A write through a shared memory mapping, or by the kernel's asynchronous I/O, raises no
    // event but does move the file's times: seen here within a look's interval.
    if (changeEvents_ == nullptr || !watchId_) return;
    const Version now = VersionOf(open);
    if (lookedAtVersion_ && *lookedAtVersion_ != now) {
        copyTrustedAt_.reset();
        ForgetKeptRuns();
    }
    lookedAtVersion_ = now;
}

void RecordFile::ForgetKeptRuns() {
    keptRuns_.Clear();
    runsKeptAt_.reset();
}

std::optional<std::uint64_t> RecordFile::ChangesSeen() const {
    if (changeEvents_ == nullptr || !watchId_) return std::nullopt;
    return changeEvents_->Changes(*watchId_);
}

std::size_t RecordFile::HeldBytes() const {
    return (hasCopy_ ? copy_.size() : 0) + keptRuns_.HeldBytes();
}

void RecordFile::Close() {
    descriptor_.Reset();
    WatchFileOpen();
    closed_ = true;
    copy_.clear();
    copy_.shrink_to_fit();
    hasCopy_ = false;
}

Status RecordFile::FollowPath() {
    if (!followsPath_ || closed_) return Ok();
    if (!pathLookedAtByOwner_ &&
        (staleHandle_ || CoarseMonotonicNow() - pathLookedAt_ >= kPathCheckInterval)) {
        return LookAtPath();
    }
    if (pathError_) return Error{path_, *pathError_};
    return Ok();
}

Status RecordFile::LookAtPath() {
    if (!followsPath_ || closed_) return Ok();
    pathLookedAt_ = CoarseMonotonicNow();
    staleHandle_ = false;
    struct stat named {};
    if (::stat(path_.c_str(), &named) != 0) {
        // Gone: a file missing from the start still reads as empty, one removed since is
        // an error. Another failure to look leaves the open file to be read.
        if (errno == ENOENT || errno == ENOTDIR) {
            if (missing_) {
                pathError_.reset();
            } else {
                StopReading(SystemReason(ENOENT));
            }
        }
    } else {
        struct stat open {};
        const bool same = descriptor_.get() >= 0 && ::fstat(descriptor_.get(), &open) == 0 &&
                          open.st_dev == named.st_dev && open.st_ino == named.st_ino;
        if (same) {
            NoteStatusAtLook(open);
        } else {
            // The file now under the name is the one to read: when it cannot be opened,
            // the one read until now is not read in its place.
            Descriptor opened(OpenForReading(path_));
            struct stat now {};
            if (opened.get() < 0 || ::fstat(opened.get(), &now) != 0) {
                StopReading(SystemReason(errno));
            } else if (const std::optional<std::string> why = WhyNotADataFile(now.st_mode)) {
                StopReading(*why);
            } else {
                descriptor_ = std::move(opened);
                WatchFileOpen();
                hasCopy_ = false;
                missing_ = false;
                pathError_.reset();
                ++fileGeneration_;
            }
        }
    }
    if (pathError_) return Error{path_, *pathError_};
    return Ok();
}

Error RecordFile::ReadFailure(int error) {
    // A network share says so of a file replaced under its name by another client.
    if (error == ESTALE) staleHandle_ = true;
    return Error{path_, SystemReason(error)};
}

void RecordFile::StopReading(std::string reason) {
    descriptor_.Reset();
    WatchFileOpen();
    hasCopy_ = false;
    pathError_ = std::move(reason);
}

Result<std::int64_t> RecordFile::Length() {
    if (closed_) return Error{path_, "the file has been closed"};
    VELMARO_TRY(FollowPath());
    if (descriptor_.get() < 0) return static_cast<std::int64_t>(hasCopy_ ? copy_.size() : 0);
    struct stat info {};
    if (::fstat(descriptor_.get(), &info) != 0) return ReadFailure(errno);
    return static_cast<std::int64_t>(info.st_size);
}

Status RecordFile::Refresh() {
    if (closed_) return Error{path_, "the file has been closed"};
    VELMARO_TRY(FollowPath());
    if (reading_ != Reading::kCopyInMemory || descriptor_.get() < 0) return Ok();
    // Taken before the file is asked after: a change made from here on is a later change.
    const std::optional<std::uint64_t> changes = ChangesSeen();
    if (hasCopy_ && changes && copyTrustedAt_ == changes) return Ok();
    struct stat info {};
    ++readRequests_;
    if (::fstat(descriptor_.get(), &info) != 0) return ReadFailure(errno);
    const Version version = VersionOf(info);
    if (hasCopy_ && version == copyVersion_ && !copyMayBeStale_) {
        copyTrustedAt_ = changes;
        return Ok();
    }

    hasCopy_ = false;
    // A file far larger than any registry is read record by record instead of copied, and so
    // is every file until its second refresh: one search reads a few records.
    if (version.size > kLargestCopy || !std::exchange(refreshedBefore_, true)) return Ok();
    std::string content(static_cast<std::size_t>(version.size), '\0');
    VELMARO_TRY(const std::size_t got, ReadFromFile(0, content.data(), content.size()));
    content.resize(got);
    // The bytes read last stay in copy_ even while there is no copy, so equal bytes keep
    // their generation and whatever was derived from them stays valid.
    if (copyGeneration_ == 0 || content != copy_) ++copyGeneration_;
    copy_ = std::move(content);
    copyVersion_ = version;
    hasCopy_ = true;
    // File times advance in coarse steps: a change made within the same step as the copy
    // would leave the version unchanged. A copy made so soon after the last change is read
    // afresh every time until the change is safely older than the copy.
    copyMayBeStale_ = clock_() - version.changedSeconds < kSettledSeconds;
    // Events tell any later change, however soon: this copy, read after changes was taken,
    // is the file's content until they do.
    copyTrustedAt_ = changes;
    return Ok();
}

std::optional<std::string_view> RecordFile::CopyAt(std::int64_t offset, std::size_t size) const {
    if (!hasCopy_) return std::nullopt;
    if (offset < 0 || static_cast<std::uint64_t>(offset) >= copy_.size()) return std::string_view{};
    return std::string_view(copy_).substr(static_cast<std::size_t>(offset), size);
}

Result<std::size_t> RecordFile::ReadFromFile(std::int64_t offset, char* buffer, std::size_t size) {
    if (descriptor_.get() < 0) return std::size_t{0};
    // A read may return fewer bytes than asked for anywhere (network and user-space file
    // systems do; Linux reads at most 2 GiB less a page at once): the rest is asked for, and
    // only a read that returns nothing is the end of the file.
    std::size_t total = 0;
    while (total < size) {
        ++readRequests_;
        const ssize_t got = ::pread(descriptor_.get(), buffer + total, size - total,
                                    static_cast<off_t>(offset + static_cast<std::int64_t>(total)));
        if (got < 0) {
            if (errno == EINTR) continue;
            return ReadFailure(errno);
        }
        if (got == 0) break;
        total += static_cast<std::size_t>(got);
        bytesRead_ += static_cast<std::uint64_t>(got);
    }
    return total;
}

std::size_t SlotLengthField(std::string_view slotBytes) {
    if (slotBytes.size() < 2) return 0;
    return static_cast<unsigned char>(slotBytes[0]) |
           (static_cast<std::size_t>(static_cast<unsigned char>(slotBytes[1])) << 8);
}

std::string_view SlotTextOf(std::string_view slotBytes, std::size_t slotSize) {
    if (slotBytes.size() < 2) return {};
    const std::size_t length =
        std::min({SlotLengthField(slotBytes), slotSize - 2, slotBytes.size() - 2});
    return slotBytes.substr(2, length);
}

Result<std::string> RecordFile::ReadRecord(std::int64_t recordNumber) {
    std::string text;
    VELMARO_TRY(ReadRecordInto(recordNumber, text));
    return text;
}

Status RecordFile::ReadRecordInto(std::int64_t recordNumber, std::string& text) {
    text.clear();
    return ForEachInRun(recordNumber, 1, [&text](std::string_view record) { text.assign(record); });
}

Result<std::vector<std::string>> RecordFile::ReadRun(std::int64_t first, std::int64_t count) {
    std::vector<std::string> texts;
    texts.reserve(static_cast<std::size_t>(std::max<std::int64_t>(count, 0)));
    if (closed_) return Error{path_, "the file has been closed"};
    VELMARO_TRY(
        ForEachInRun(first, count, [&](std::string_view text) { texts.emplace_back(text); }));
    return texts;
}

Status RecordFile::ReadRunBytes(std::int64_t first, std::int64_t count, RunBytes& run) {
    if (count <= 0) return Ok();
    if (closed_) return Error{path_, "the file has been closed"};
    VELMARO_TRY(FollowPath());
    const std::int64_t last = first + count - 1;
    run.firstInFile_ = std::max<std::int64_t>(first, 1);
    run.slotSize_ = slotSize_;
    if (last < run.firstInFile_) return Ok();
    const auto slotSize = static_cast<std::int64_t>(slotSize_);
    const auto size = static_cast<std::size_t>((last - run.firstInFile_ + 1) * slotSize);
    const std::int64_t offset = (run.firstInFile_ - 1) * slotSize;
    // From a copy the run is handed over in place: the copy stays as it is while each runs.
    if (const std::optional<std::string_view> copied = CopyAt(offset, size)) {
        run.bytes_ = copied->data();
        run.got_ = copied->size();
        return Ok();
    }
    // A file whose changes events tell keeps the runs it reads, until it changes.
    const std::optional<std::uint64_t> changes =
        reading_ == Reading::kFromFile && runKeeping_ == RunKeeping::kKeepRunsRead ? ChangesSeen()
                                                                                   : std::nullopt;
    if (changes) {
        if (runsKeptAt_ != changes) {
            ForgetKeptRuns();
            runsKeptAt_ = changes;
        }
        if (const std::optional<std::string_view> kept = keptRuns_.Find(offset, size)) {
            run.bytes_ = kept->data();
            run.got_ = kept->size();
            return Ok();
        }
    }
    char* bytes = run.stackBytes_.data();
    if (size > run.stackBytes_.size()) {
        run.heapBytes_.resize(size);
        bytes = run.heapBytes_.data();
    }
    VELMARO_TRY(run.got_, ReadFromFile(offset, bytes, size));
    run.bytes_ = bytes;
    if (changes) keptRuns_.Keep(offset, size, std::string_view(bytes, run.got_));
    return Ok();
}

std::string_view RecordFile::RunBytes::TextOf(std::int64_t n) const {
    if (n < firstInFile_) return {};
    const auto offset = static_cast<std::size_t>(n - firstInFile_) * slotSize_;
    if (offset >= got_) return {};
    return SlotTextOf(std::string_view(bytes_ + offset, got_ - offset), slotSize_);
}

}  // namespace velmaro
