// The memory a process may use as its control groups bound it, read from hierarchies laid out
// in a temporary folder as the system mounts them.

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "base/memory_limit.h"
#include "data_files.h"

namespace velmaro {
namespace {

constexpr std::uint64_t kGiB = std::uint64_t{1} << 30;

// A limit file's text of n GiB.
std::string GiB(std::uint64_t n) { return std::to_string(n * kGiB) + "\n"; }

TEST(MemoryLimit, ControlGroupsBoundTheProcessFromItsOwnGroupUp) {
    // Each case: the text of /proc/self/cgroup, the limit expected, and the files of the
    // hierarchy (path under the root, content).
    const std::string v1Unlimited = "9223372036854771712\n";
    const std::string v1 = "memory.limit_in_bytes";
    const struct {
        std::string cgroupLines;
        std::optional<std::uint64_t> expected;
        std::vector<std::pair<std::string, std::string>> files;
    } cases[] = {
        // Version 2, the process's own group.
        {"0::/a/b\n", 3 * kGiB, {{"a/b/memory.max", GiB(3)}, {"a/memory.max", "max\n"}}},
        // Version 2, a group above it sets less.
        {"0::/a/b\n", kGiB, {{"a/b/memory.max", "max\n"}, {"a/memory.max", GiB(1)}}},
        // Version 2, no group sets any.
        {"0::/a/b\n", std::nullopt, {{"a/b/memory.max", "max\n"}}},
        // Version 2 in a container: its own group is the root.
        {"0::/\n", 2 * kGiB, {{"memory.max", GiB(2)}}},
        // Version 1, memory among other controllers.
        {"9:pids:/\n4:cpu,memory:/s\n0::/\n",
         3 * kGiB,
         {{"memory/s/" + v1, GiB(3)}, {"memory/" + v1, v1Unlimited}}},
        // Version 1 in a container: the host's path is not there, its root is the group.
        {"4:memory:/docker/0123\n", kGiB, {{"memory/" + v1, GiB(1)}}},
        // Version 1, unlimited.
        {"4:memory:/s\n", std::nullopt, {{"memory/s/" + v1, v1Unlimited}}},
        // No group of the memory controller.
        {"1:cpu:/s\n", std::nullopt, {{"cpu/s/" + v1, GiB(1)}}},
    };
    for (const auto& [cgroupLines, expected, files] : cases) {
        SCOPED_TRACE(cgroupLines + files.front().first + " " + files.front().second);
        const testdata::TempDataDir root;
        for (const auto& [path, content] : files) {
            std::filesystem::create_directories(
                std::filesystem::path(root.PathOf(path)).parent_path());
            root.Write(path, content);
        }
        std::string top = root.DataDir();
        top.pop_back();
        EXPECT_EQ(ControlGroupMemoryLimit(cgroupLines, top), expected);
    }
}

}  // namespace
}  // namespace velmaro
