#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace velmaro {

// The memory this process may still take, in bytes: for each bound on it, that bound less what
// the process holds of it now. The machine's memory and the limit of its control group and of
// the groups above it (a container's, a service's, a desktop session's scope) bound the memory
// it has resident; the limits set on the process bound its address space (RLIMIT_AS: ulimit -v)
// and its data (RLIMIT_DATA: ulimit -d). Past the last two an allocation fails; past a control
// group's limit the system ends the process with no word, which is why a need is to be measured
// against this before it is met. Memory other processes of the group hold is not counted. Read
// anew at each call; UINT64_MAX when nothing is known to bound it.
std::uint64_t MemoryLeftToThisProcess();

// The least memory limit of the control group that cgroupLines (the text of /proc/self/cgroup)
// names for the memory controller and of every group above it, read from the hierarchies
// mounted at root (/sys/fs/cgroup): version 2's memory.max under root itself, version 1's
// memory.limit_in_bytes under root/memory. "max", a file missing (a group the process cannot
// see from inside a container, where root is its own group) or unreadable, sets no limit; so
// does version 1's "unlimited", a number near 2^63. Nothing when no group sets one.
std::optional<std::uint64_t> ControlGroupMemoryLimit(std::string_view cgroupLines,
                                                     const std::string& root);

}  // namespace velmaro
