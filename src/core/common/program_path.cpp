#include "common/program_path.h"

#include <unistd.h>

#include <climits>

namespace membrane {

std::string ProgramFilePath() {
    char buffer[PATH_MAX + 1];
    const ssize_t length = ::readlink("/proc/self/exe", buffer, PATH_MAX);
    if (length <= 0) return {};
    return std::string(buffer, static_cast<std::size_t>(length));
}

}  // namespace membrane
