#include "base/descriptor_name.h"

#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>

namespace velmaro {

namespace {

// The descriptor that number, a name in a folder of descriptors, stands for: digits alone,
// without a sign or a leading zero, as the system reads them there.
std::optional<int> DescriptorNumber(std::string_view number) {
    int descriptor = 0;
    const auto [end, error] =
        std::from_chars(number.data(), number.data() + number.size(), descriptor);
    if (error == std::errc{} && end == number.data() + number.size() && !number.empty() &&
        number.front() != '+' && number.front() != '-' &&
        (number.size() == 1 || number.front() != '0')) {
        return descriptor;
    }
    return std::nullopt;
}

// Whether folder, however spelt (/dev/fd, /proc/thread-self/fd, /dev//fd/., a link to one),
// is this process's folder of descriptors, or one of its threads', which holds the same.
bool IsOwnDescriptorFolder(const std::string& folder) {
    const std::unique_ptr<char, decltype(&std::free)> resolved(::realpath(folder.c_str(), nullptr),
                                                               &std::free);
    if (!resolved) return false;
    const std::string_view real(resolved.get());
    const std::string process = "/proc/" + std::to_string(::getpid());
    if (!real.starts_with(process) || !real.ends_with("/fd")) return false;
    const std::string_view between = real.substr(process.size(), real.size() - process.size() - 3);
    if (between.empty()) return true;
    const std::string_view thread = between.substr(std::min(between.size(), std::size_t{6}));
    return between.starts_with("/task/") && !thread.empty() &&
           thread.find_first_not_of("0123456789") == std::string_view::npos;
}

}  // namespace

std::optional<int> DescriptorNamed(std::string_view path) {
    if (path == "/dev/stdin") return STDIN_FILENO;
    if (path == "/dev/stdout") return STDOUT_FILENO;
    if (path == "/dev/stderr") return STDERR_FILENO;
    const std::string ownProcess = "/proc/" + std::to_string(::getpid()) + "/fd/";
    for (const std::string_view folder :
         {std::string_view("/dev/fd/"), std::string_view("/proc/self/fd/"),
          std::string_view(ownProcess)}) {
        if (!path.starts_with(folder)) continue;
        if (const std::optional<int> descriptor = DescriptorNumber(path.substr(folder.size())))
            return descriptor;
    }
    // Any other spelling of the folder is asked of the system, for a name that is a number.
    const std::size_t slash = path.rfind('/');
    const std::optional<int> descriptor =
        DescriptorNumber(slash == std::string_view::npos ? path : path.substr(slash + 1));
    if (!descriptor) return std::nullopt;
    const std::string folder = slash == std::string_view::npos ? "."
                               : slash == 0                    ? "/"
                                                               : std::string(path.substr(0, slash));
    return IsOwnDescriptorFolder(folder) ? descriptor : std::nullopt;
}

std::string PathOfDescriptor(int descriptor) {
    return "/proc/self/fd/" + std::to_string(descriptor);
}

}  // namespace velmaro
