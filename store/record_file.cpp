#include "store/record_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

namespace velmaro {
namespace {

std::string SystemReason(int error) { return std::strerror(error); }

}  // namespace

Result<RecordFile> RecordFile::Open(std::string path, std::size_t slotSize, IfMissing ifMissing) {
    const int descriptor = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0) {
        const int error = errno;
        if (error == ENOENT && ifMissing == IfMissing::kReadAsEmpty) {
            return RecordFile(std::move(path), slotSize, -1);
        }
        return Error{path, SystemReason(error)};
    }
    struct stat info {};
    if (::fstat(descriptor, &info) == 0 && S_ISDIR(info.st_mode)) {
        ::close(descriptor);
        return Error{path, "is a directory, not a data file"};
    }
    return RecordFile(std::move(path), slotSize, descriptor);
}

RecordFile::RecordFile(std::string path, std::size_t slotSize, int descriptor)
    : path_(std::move(path)), slotSize_(slotSize), descriptor_(descriptor) {}

RecordFile::RecordFile(RecordFile&& other) noexcept
    : path_(std::move(other.path_)),
      slotSize_(other.slotSize_),
      descriptor_(std::exchange(other.descriptor_, -1)),
      closed_(other.closed_),
      readRequests_(other.readRequests_) {}

RecordFile& RecordFile::operator=(RecordFile&& other) noexcept {
    if (this != &other) {
        Close();
        path_ = std::move(other.path_);
        slotSize_ = other.slotSize_;
        descriptor_ = std::exchange(other.descriptor_, -1);
        closed_ = other.closed_;
        readRequests_ = other.readRequests_;
    }
    return *this;
}

RecordFile::~RecordFile() { Close(); }

void RecordFile::Close() {
    if (descriptor_ >= 0) {
        ::close(descriptor_);
        descriptor_ = -1;
    }
    closed_ = true;
}

Result<std::int64_t> RecordFile::Length() const {
    if (closed_) return Error{path_, "the file has been closed"};
    if (descriptor_ < 0) return std::int64_t{0};
    struct stat info {};
    if (::fstat(descriptor_, &info) != 0) return Error{path_, SystemReason(errno)};
    return static_cast<std::int64_t>(info.st_size);
}

Result<std::size_t> RecordFile::ReadAt(std::int64_t offset, char* buffer, std::size_t size) const {
    if (closed_) return Error{path_, "the file has been closed"};
    if (descriptor_ < 0) return std::size_t{0};
    // Asking only for the bytes that exist keeps a read that reaches past the end of the file
    // to one request, instead of a short read followed by an empty one.
    const auto length = Length();
    if (!length) return length.error();
    if (offset >= *length) return std::size_t{0};
    size = std::min(size, static_cast<std::size_t>(*length - offset));
    std::size_t done = 0;
    while (done < size) {
        ++readRequests_;
        const ssize_t got = ::pread(descriptor_, buffer + done, size - done,
                                    static_cast<off_t>(offset + static_cast<std::int64_t>(done)));
        if (got < 0) {
            if (errno == EINTR) continue;
            return Error{path_, SystemReason(errno)};
        }
        if (got == 0) break;  // end of file
        done += static_cast<std::size_t>(got);
    }
    return done;
}

std::string RecordFile::SlotText(const char* slot, std::size_t available) const {
    if (available < 2) return {};
    const std::size_t declared =
        static_cast<unsigned char>(slot[0]) |
        (static_cast<std::size_t>(static_cast<unsigned char>(slot[1])) << 8);
    const std::size_t length = std::min({declared, TextCapacity(), available - 2});
    return std::string(slot + 2, length);
}

Result<std::string> RecordFile::ReadRecord(std::int64_t recordNumber) const {
    if (closed_) return Error{path_, "the file has been closed"};
    if (recordNumber < 1) return std::string{};
    std::string slot(slotSize_, '\0');
    const auto got =
        ReadAt((recordNumber - 1) * static_cast<std::int64_t>(slotSize_), slot.data(), slotSize_);
    if (!got) return got.error();
    return SlotText(slot.data(), *got);
}

Result<std::vector<std::string>> RecordFile::ReadRun(std::int64_t first, std::int64_t count) const {
    if (closed_) return Error{path_, "the file has been closed"};
    std::vector<std::string> texts(static_cast<std::size_t>(std::max<std::int64_t>(count, 0)));
    const std::int64_t last = first + count - 1;
    const std::int64_t firstInFile = std::max<std::int64_t>(first, 1);
    if (count <= 0 || last < firstInFile) return texts;

    const auto slotSize = static_cast<std::int64_t>(slotSize_);
    std::string bytes(static_cast<std::size_t>((last - firstInFile + 1) * slotSize), '\0');
    const auto got = ReadAt((firstInFile - 1) * slotSize, bytes.data(), bytes.size());
    if (!got) return got.error();

    for (std::int64_t n = firstInFile; n <= last; ++n) {
        const auto offset = static_cast<std::size_t>((n - firstInFile) * slotSize);
        if (offset >= *got) break;
        texts[static_cast<std::size_t>(n - first)] = SlotText(bytes.data() + offset, *got - offset);
    }
    return texts;
}

}  // namespace velmaro
