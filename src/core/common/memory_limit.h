// How much memory a computation of this process may count on: the least of the physical
// memory, the address-space and data-segment limits (RLIMIT_AS less the address space
// already in use, RLIMIT_DATA) and the memory limit of the process's control group
// (memory.max of cgroup v2, or memory.limit_in_bytes of v1).
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace membrane {

// Bytes; the largest std::uint64_t when nothing is known.
std::uint64_t UsableMemoryBytes();

// The limit of a cgroup file's text: "max" (or nothing readable) is none.
std::optional<std::uint64_t> ParseCgroupLimit(const std::string& text);

}  // namespace membrane
