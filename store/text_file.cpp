#include "store/text_file.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <functional>
#include <utility>

#include "base/memory_limit.h"
#include "base/system_reason.h"

namespace velmaro {
namespace {

// Closes a file descriptor on every way out of a function.
struct CloseOnExit {
    int descriptor;
    ~CloseOnExit() { ::close(descriptor); }
};

}  // namespace

int OpenForReading(const std::string& path) {
    const int descriptor = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOATIME);
    if (descriptor >= 0 || errno != EPERM) return descriptor;
    return ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
}

std::optional<std::string> WhyNotADataFile(mode_t mode) {
    if (S_ISREG(mode)) return std::nullopt;
    if (S_ISDIR(mode)) return std::string("is a directory, not a data file");
    return std::string("is a pipe, a socket or a device, not a data file");
}

namespace {

// What reading a file whole takes beyond its bytes, in halves of them: the check, the most
// demanding reader, keeps beside each record file's bytes the facts of each record (a day, a
// key, a run), about half as many bytes again.
constexpr std::uintmax_t kNeedInHalves = 3;
// The process needs no more beside: what it holds already the room left to it counts, and a
// thread the system cannot give it (its stack, its pool) is done without.

}  // namespace

std::optional<std::string> WhyTooLargeToHold(std::uintmax_t bytes, std::string_view holds) {
    // Asking the system what is left costs some 50 us: not worth it for a file whose need is
    // less than any process's spare pages (a table, a small registry).
    constexpr std::uintmax_t kAlwaysHeld = std::uintmax_t{1} << 20;
    if (bytes <= kAlwaysHeld) return std::nullopt;
    return WhyTooLargeToHold(bytes, holds, MemoryLeftToThisProcess());
}

std::optional<std::string> WhyTooLargeToHold(std::uintmax_t bytes, std::string_view holds,
                                             std::uintmax_t room) {
    const std::uintmax_t need = bytes / 2 * kNeedInHalves + bytes % 2;
    if (need < room) return std::nullopt;
    return std::string(holds) + " " + std::to_string(bytes) +
           " bytes, too many to read whole: " + "that takes about " + std::to_string(need) +
           " bytes, more than the " + std::to_string(room) +
           " bytes of memory left to Velmaro here (the least that the machine, its limits and its "
           "control group leave it)";
}

void StartReadingAhead(const std::string& path) {
    const int descriptor = OpenForReading(path);
    if (descriptor < 0) return;
    const CloseOnExit closer{descriptor};
    // Only advice: a system that does not take it reads the file when it is read.
    (void)::posix_fadvise(descriptor, 0, 0, POSIX_FADV_WILLNEED);
}

namespace {

// Reads from descriptor until the end of the file into buffer from its start, doubling buffer
// when it fills; returns the length read. growable false: stops when buffer is full. check,
// when given, is shown the bytes read after each read (see ReadCheck).
Result<std::size_t> ReadToEnd(const std::string& path, int descriptor, std::string& buffer,
                              bool growable, const std::function<void(std::size_t)>& arrived,
                              const ReadCheck& check = {}) {
    std::size_t length = 0;
    while (true) {
        if (length == buffer.size()) {
            if (!growable) return length;
            buffer.resize(std::max<std::size_t>(buffer.size() * 2, 4096));
        }
        // One request for all that is left; when someone waits for the bytes as they arrive,
        // pieces of 256 KB, since a request returns only once all it asked for is there.
        const std::size_t request =
            arrived ? std::min<std::size_t>(buffer.size() - length, std::size_t{256} << 10)
                    : buffer.size() - length;
        const ssize_t got = ::read(descriptor, buffer.data() + length, request);
        if (got < 0) {
            if (errno == EINTR) continue;
            // A descriptor left non-blocking by whoever opened it (a pipe handed down so) has
            // nothing yet: its writer is waited for, as on a blocking one.
            if (errno == EAGAIN) {
                pollfd ready{descriptor, POLLIN, 0};
                if (::poll(&ready, 1, -1) >= 0 || errno == EINTR) continue;
            }
            return Error{path, SystemReason(errno)};
        }
        if (got == 0) return length;
        const std::size_t newFrom = std::exchange(length, length + static_cast<std::size_t>(got));
        if (arrived) arrived(length);
        if (check) {
            if (std::optional<std::string> why = check({buffer.data(), length}, newFrom))
                return Error{path, std::move(*why)};
        }
    }
}

}  // namespace

Result<bool> ReadFileInPlace(const std::string& path, std::string& into, std::string& beyond,
                             const std::function<void(std::size_t)>& arrived,
                             std::size_t mostBytes) {
    const int descriptor = OpenForReading(path);
    if (descriptor < 0) {
        if (errno == ENOENT) return false;
        return Error{path, SystemReason(errno)};
    }
    const CloseOnExit closer{descriptor};
    struct stat info {};
    if (::fstat(descriptor, &info) != 0) return Error{path, SystemReason(errno)};
    if (const std::optional<std::string> why = WhyNotADataFile(info.st_mode))
        return Error{path, *why};

    // Of a file longer than mostBytes, the bytes that tell it is (a sparse file of gigabytes
    // under a table's name is not read whole to find it too large).
    const auto fileSize = static_cast<std::uintmax_t>(std::max<off_t>(info.st_size, 0));
    const bool cut = mostBytes != SIZE_MAX && fileSize > mostBytes;
    const std::uintmax_t wanted = cut ? std::uintmax_t{mostBytes} + 1 : fileSize;
    if (const std::optional<std::string> why = WhyTooLargeToHold(wanted)) return Error{path, *why};
    // Read in one request of the file's size when it can, and on until the end in any case
    // (a file that grows meanwhile is read to its current end).
    const auto size = static_cast<std::size_t>(wanted) + (cut ? 0 : 1);
    // Memory the system refuses (a limit the size above did not foresee) is an error naming the
    // file, not the program ended with a bare "out of memory", as an allocation refused would
    // end it: asked of the system first, as the allocator asks for a block this large, and given
    // back at once.
    void* const room =
        ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (room == MAP_FAILED) {
        return Error{path, "holds " + std::to_string(info.st_size) +
                               " bytes, too many to read whole: out of memory"};
    }
    ::munmap(room, size);
    into.assign(size, '\0');
    if (arrived) arrived(0);
    VELMARO_TRY(const std::size_t length, ReadToEnd(path, descriptor, into, false, arrived));
    beyond.clear();
    if (length == into.size() && !cut) {
        VELMARO_TRY(const std::size_t more, ReadToEnd(path, descriptor, beyond, true, {}));
        beyond.resize(more);
    }
    into.resize(length);
    return true;
}

Result<std::optional<std::string>> ReadFileIfPresent(const std::string& path,
                                                     std::size_t mostBytes) {
    std::string content;
    std::string beyond;
    VELMARO_TRY(const bool present, ReadFileInPlace(path, content, beyond, {}, mostBytes));
    if (!present) return std::optional<std::string>{};
    // A file that grew past its size while it was read: its bytes up to the bound.
    if (mostBytes != SIZE_MAX && content.size() + beyond.size() > mostBytes)
        beyond.resize(mostBytes + 1 > content.size() ? mostBytes + 1 - content.size() : 0);
    content += beyond;
    return std::optional<std::string>(std::move(content));
}

Result<std::string> ReadAllFrom(int descriptor, const std::string& name, const ReadCheck& check) {
    std::string content;
    VELMARO_TRY(const std::size_t length, ReadToEnd(name, descriptor, content, true, {}, check));
    content.resize(length);
    return content;
}

Result<std::string> ReadStream(const std::string& path, const ReadCheck& check) {
    const int descriptor = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0) return Error{path, SystemReason(errno)};
    const CloseOnExit closer{descriptor};
    return ReadAllFrom(descriptor, path, check);
}

Result<std::string> ReadWholeFile(const std::string& path, std::size_t mostBytes) {
    VELMARO_TRY(std::optional<std::string> content, ReadFileIfPresent(path, mostBytes));
    if (!content) return Error{path, SystemReason(ENOENT)};
    return std::move(*content);
}

std::vector<std::string_view> SplitLineViews(std::string_view content) {
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < content.size(); ++i) {
        const char c = content[i];
        if (c != '\r' && c != '\n') continue;
        lines.push_back(content.substr(start, i - start));
        if (c == '\r' && i + 1 < content.size() && content[i + 1] == '\n') ++i;
        start = i + 1;
    }
    if (start < content.size()) lines.push_back(content.substr(start));
    return lines;
}

std::size_t CountLines(std::string_view content) {
    std::size_t lines = 0;
    std::size_t start = 0;
    for (std::size_t i = 0; i < content.size(); ++i) {
        const char c = content[i];
        if (c != '\r' && c != '\n') continue;
        ++lines;
        if (c == '\r' && i + 1 < content.size() && content[i + 1] == '\n') ++i;
        start = i + 1;
    }
    return lines + (start < content.size() ? 1 : 0);
}

std::vector<std::string> SplitLines(std::string_view content) {
    const std::vector<std::string_view> views = SplitLineViews(content);
    return {views.begin(), views.end()};
}

}  // namespace velmaro
