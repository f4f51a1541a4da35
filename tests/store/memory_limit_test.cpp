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

TEST(MemoryLimit, ControlGroupsBoundTheProcessFromItsOwnGroupUp) {
    // Each case: the files of the hierarchy (path under the root, content), the text of
    // /proc/self/cgroup, the limit expected.
    using Files = std::vector<std::pair<std::string, std::string>>;
    const std::string v1Unlimited = "9223372036854771712\n";
    const struct {
        const char* what;
        Files files;
        std::string cgroupLines;
        std::optional<std::uint64_t> expected;
    } cases[] = {
        {"version 2, the process's own group",
         {{"a/b/memory.max", std::to_string(3 * kGiB) + "\n"}, {"a/memory.max", "max\n"}},
         "0::/a/b\n",
         3 * kGiB},
        {"version 2, a group above it sets less",
         {{"a/b/memory.max", "max\n"}, {"a/memory.max", std::to_string(kGiB) + "\n"}},
         "0::/a/b\n",
         kGiB},
        {"version 2, no group sets any", {{"a/b/memory.max", "max\n"}}, "0::/a/b\n", std::nullopt},
        {"version 2 in a container: its own group is the root",
         {{"memory.max", std::to_string(2 * kGiB) + "\n"}},
         "0::/\n",
         2 * kGiB},
        {"version 1, memory among other controllers",
         {{"memory/s/memory.limit_in_bytes", std::to_string(3 * kGiB) + "\n"},
          {"memory/memory.limit_in_bytes", v1Unlimited}},
         "9:pids:/\n4:cpu,memory:/s\n0::/\n",
         3 * kGiB},
        {"version 1 in a container: the host's path is not there, its root is the group",
         {{"memory/memory.limit_in_bytes", std::to_string(kGiB) + "\n"}},
         "4:memory:/docker/0123\n",
         kGiB},
        {"version 1, unlimited",
         {{"memory/s/memory.limit_in_bytes", v1Unlimited}},
         "4:memory:/s\n",
         std::nullopt},
        {"no group of the memory controller",
         {{"cpu/s/memory.limit_in_bytes", std::to_string(kGiB) + "\n"}},
         "1:cpu:/s\n",
         std::nullopt},
    };
    for (const auto& [what, files, cgroupLines, expected] : cases) {
        SCOPED_TRACE(what);
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
