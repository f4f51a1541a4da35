#include "base/descriptor_name.h"

#include <unistd.h>

#include <charconv>
#include <string>

namespace velmaro {

std::optional<int> DescriptorNamed(std::string_view path) {
    if (path == "/dev/stdin") return STDIN_FILENO;
    if (path == "/dev/stdout") return STDOUT_FILENO;
    if (path == "/dev/stderr") return STDERR_FILENO;
    const std::string ownProcess = "/proc/" + std::to_string(::getpid()) + "/fd/";
    for (const std::string_view folder :
         {std::string_view("/dev/fd/"), std::string_view("/proc/self/fd/"),
          std::string_view(ownProcess)}) {
        if (!path.starts_with(folder)) continue;
        const std::string_view number = path.substr(folder.size());
        int descriptor = 0;
        const auto [end, error] =
            std::from_chars(number.data(), number.data() + number.size(), descriptor);
        if (error == std::errc{} && end == number.data() + number.size() && !number.empty() &&
            number.front() != '+' && number.front() != '-' &&
            (number.size() == 1 || number.front() != '0')) {
            return descriptor;
        }
    }
    return std::nullopt;
}

}  // namespace velmaro
