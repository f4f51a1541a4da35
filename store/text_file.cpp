#include "store/text_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

namespace velmaro {
namespace {

// Closes a file descriptor on every way out of a function.
struct CloseOnExit {
    int descriptor;
    ~CloseOnExit() { ::close(descriptor); }
};

}  // namespace

int OpenForReading(const std::string& path) {
    const int descriptor = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOATIME);
    if (descriptor >= 0 || errno != EPERM) return descriptor;
    return ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
}

void StartReadingAhead(const std::string& path) {
    const int descriptor = OpenForReading(path);
    if (descriptor < 0) return;
    const CloseOnExit closer{descriptor};
    // Only advice: a system that does not take it reads the file when it is read.
    (void)::posix_fadvise(descriptor, 0, 0, POSIX_FADV_WILLNEED);
}

Result<std::optional<std::string>> ReadFileIfPresent(const std::string& path) {
    const int descriptor = OpenForReading(path);
    if (descriptor < 0) {
        if (errno == ENOENT) return std::optional<std::string>{};
        return Error{path, std::strerror(errno)};
    }
    const CloseOnExit closer{descriptor};
    struct stat info {};
    if (::fstat(descriptor, &info) != 0) return Error{path, std::strerror(errno)};
    if (S_ISDIR(info.st_mode)) return Error{path, "is a directory, not a data file"};

    // Read in one request of the file's size when it can, and on until the end in any case
    // (a file that grows meanwhile is read to its current end).
    std::string content(static_cast<std::size_t>(std::max<off_t>(info.st_size, 0)) + 1, '\0');
    std::size_t length = 0;
    while (true) {
        if (length == content.size()) content.resize(content.size() * 2);
        const ssize_t got = ::read(descriptor, content.data() + length, content.size() - length);
        if (got < 0) {
            if (errno == EINTR) continue;
            return Error{path, std::strerror(errno)};
        }
        if (got == 0) break;
        length += static_cast<std::size_t>(got);
    }
    content.resize(length);
    return std::optional<std::string>(std::move(content));
}

Result<std::string> ReadWholeFile(const std::string& path) {
    VELMARO_TRY(std::optional<std::string> content, ReadFileIfPresent(path));
    if (!content) return Error{path, std::strerror(ENOENT)};
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

std::vector<std::string> SplitLines(std::string_view content) {
    const std::vector<std::string_view> views = SplitLineViews(content);
    return {views.begin(), views.end()};
}

}  // namespace velmaro
