#include "base/memory_limit.h"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <fstream>
#include <iterator>

#include "base/system_environment.h"

namespace velmaro {
namespace {

// The first line of the file at path, the whole of what a control group's file holds.
std::optional<std::string> FirstLine(const std::string& path) {
    std::ifstream file(path);
    std::string line;
    if (!file || !std::getline(file, line)) return std::nullopt;
    return line;
}

// The limit a control group's memory file gives: a number of bytes, or nothing for "max".
std::optional<std::uint64_t> LimitIn(const std::string& path) {
    const std::optional<std::string> line = FirstLine(path);
    if (!line) return std::nullopt;
    std::uint64_t bytes = 0;
    const char* end = line->data() + line->size();
    const auto [stop, error] = std::from_chars(line->data(), end, bytes);
    if (error != std::errc() || stop != end) return std::nullopt;
    return bytes;
}

// The least limit that file under folder, or under any folder above it up to top, gives.
std::optional<std::uint64_t> LeastLimitUp(std::string folder, const std::string& top,
                                          const std::string& file) {
    std::optional<std::uint64_t> least;
    while (true) {
        if (const std::optional<std::uint64_t> limit = LimitIn(folder + "/" + file))
            least = std::min(least.value_or(UINT64_MAX), *limit);
        if (folder.size() <= top.size()) return least;
        folder.erase(folder.rfind('/'));
    }
}

// What the process holds now, in bytes, as /proc/self/status says: its resident memory
// (VmRSS), its address space (VmSize) and its data (VmData, which RLIMIT_DATA bounds). 0 for what
// it does not say.
struct ProcessHolds {
    std::uint64_t resident = 0;
    std::uint64_t addressSpace = 0;
    std::uint64_t data = 0;
};

ProcessHolds WhatThisProcessHolds() {
    ProcessHolds holds;
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        std::uint64_t* const into = line.starts_with("VmRSS:")    ? &holds.resident
                                    : line.starts_with("VmSize:") ? &holds.addressSpace
                                    : line.starts_with("VmData:") ? &holds.data
                                                                  : nullptr;
        if (into == nullptr) continue;
        const std::size_t digits = line.find_first_of("0123456789");
        if (digits == std::string::npos) continue;
        std::uint64_t kibibytes = 0;
        std::from_chars(line.data() + digits, line.data() + line.size(), kibibytes);
        *into = kibibytes << 10;
    }
    return holds;
}

}  // namespace

std::optional<std::uint64_t> ControlGroupMemoryLimit(std::string_view cgroupLines,
                                                     const std::string& root) {
    // Version 1 writes "unlimited" as the largest multiple of the page size below 2^63.
    constexpr std::uint64_t kUnlimited = std::uint64_t{1} << 62;
    std::optional<std::uint64_t> least;
    const auto take = [&least](std::optional<std::uint64_t> limit) {
        if (limit && *limit < kUnlimited) least = std::min(least.value_or(UINT64_MAX), *limit);
    };
    // Lines of "id:controllers:path": version 2's has id 0 and no controllers; version 1 names
    // its controllers, memory among them, comma-separated.
    while (!cgroupLines.empty()) {
        const std::size_t end = std::min(cgroupLines.find('\n'), cgroupLines.size());
        const std::string_view line = cgroupLines.substr(0, end);
        cgroupLines.remove_prefix(std::min(end + 1, cgroupLines.size()));
        const std::size_t first = line.find(':');
        const std::size_t second =
            first == std::string_view::npos ? first : line.find(':', first + 1);
        if (second == std::string_view::npos) continue;
        const std::string_view controllers = line.substr(first + 1, second - first - 1);
        std::string path(line.substr(second + 1));
        if (path.find("/..") != std::string::npos) continue;
        while (!path.empty() && path.back() == '/')
            path.pop_back();
        if (line.substr(0, first) == "0" && controllers.empty()) {
            take(LeastLimitUp(root + path, root, "memory.max"));
            continue;
        }
        const std::string named = "," + std::string(controllers) + ",";
        if (named.find(",memory,") == std::string::npos) continue;
        const std::string top = root + "/memory";
        take(LeastLimitUp(top + path, top, "memory.limit_in_bytes"));
    }
    return least;
}

std::uint64_t MemoryLeftToThisProcess() {
    const ProcessHolds holds = WhatThisProcessHolds();
    const auto left = [](std::uint64_t bound, std::uint64_t held) {
        return bound > held ? bound - held : 0;
    };
    std::uint64_t room = UINT64_MAX;
    const long pages = ::sysconf(_SC_PHYS_PAGES);
    const long pageSize = ::sysconf(_SC_PAGE_SIZE);
    if (pages > 0 && pageSize > 0) {
        room = left(static_cast<std::uint64_t>(pages) * static_cast<std::uint64_t>(pageSize),
                    holds.resident);
    }
    if (const std::optional<std::uint64_t> limit = ProcessSoftLimit(RLIMIT_AS))
        room = std::min(room, left(*limit, holds.addressSpace));
    if (const std::optional<std::uint64_t> limit = ProcessSoftLimit(RLIMIT_DATA))
        room = std::min(room, left(*limit, holds.data));
    std::ifstream cgroups("/proc/self/cgroup");
    const std::string lines{std::istreambuf_iterator<char>(cgroups),
                            std::istreambuf_iterator<char>()};
    if (const std::optional<std::uint64_t> limit = ControlGroupMemoryLimit(lines, "/sys/fs/cgroup"))
        room = std::min(room, left(*limit, holds.resident));
    return room;
}

}  // namespace velmaro
