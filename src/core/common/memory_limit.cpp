#include "common/memory_limit.h"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <limits>
#include <sstream>

namespace membrane {
namespace {

constexpr std::uint64_t kUnknown = std::numeric_limits<std::uint64_t>::max();

std::string FileText(const std::string& path) {
    std::ifstream in(path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::uint64_t PhysicalMemory() {
    const long pages = ::sysconf(_SC_PHYS_PAGES), pageSize = ::sysconf(_SC_PAGE_SIZE);
    if (pages <= 0 || pageSize <= 0) return kUnknown;
    return static_cast<std::uint64_t>(pages) * static_cast<std::uint64_t>(pageSize);
}

// The address space the process already has mapped (first field of /proc/self/statm).
std::uint64_t AddressSpaceInUse() {
    std::ifstream in("/proc/self/statm");
    std::uint64_t pages = 0;
    in >> pages;
    const long pageSize = ::sysconf(_SC_PAGE_SIZE);
    return pageSize > 0 ? pages * static_cast<std::uint64_t>(pageSize) : 0;
}

std::uint64_t ResourceLimits() {
    std::uint64_t result = kUnknown;
    struct rlimit limit {};
    if (::getrlimit(RLIMIT_AS, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY) {
        const std::uint64_t used = AddressSpaceInUse();
        result = std::min<std::uint64_t>(result, limit.rlim_cur > used ? limit.rlim_cur - used : 0);
    }
    if (::getrlimit(RLIMIT_DATA, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY)
        result = std::min<std::uint64_t>(result, limit.rlim_cur);
    return result;
}

// Where the control groups are mounted. MEMBRANE_CGROUP_ROOT names another tree instead: a
// seam for tests, which run a model under a limit of their own making.
std::string CgroupRoot() {
    const char* seam = std::getenv("MEMBRANE_CGROUP_ROOT");
    return seam != nullptr && *seam != '\0' ? seam : "/sys/fs/cgroup";
}

// The smallest memory.max from the process's cgroup up to the root (v2), or the v1 limit.
std::uint64_t CgroupLimit() {
    const std::string root = CgroupRoot();
    std::uint64_t result = kUnknown;
    std::istringstream lines(FileText("/proc/self/cgroup"));
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("0::", 0) != 0) continue;
        std::string group = line.substr(3);
        for (;;) {
            if (const auto limit = ParseCgroupLimit(FileText(root + group + "/memory.max")))
                result = std::min(result, *limit);
            if (group.empty() || group == "/") break;
            group = group.substr(0, group.find_last_of('/'));
        }
    }
    if (const auto v1 = ParseCgroupLimit(FileText(root + "/memory/memory.limit_in_bytes")))
        result = std::min(result, *v1);
    return result;
}

}  // namespace

std::optional<std::uint64_t> ParseCgroupLimit(const std::string& text) {
    std::istringstream in(text);
    std::uint64_t value = 0;
    if (!(in >> value)) return std::nullopt;  // "max", or no such file
    return value;
}

std::uint64_t UsableMemoryBytes() {
    return std::min({PhysicalMemory(), ResourceLimits(), CgroupLimit()});
}

}  // namespace membrane
