#include "shell/peak_memory.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace membrane {

double PeakMemoryMb() {
    std::FILE* status = std::fopen("/proc/self/status", "r");
    if (status == nullptr) return 0.0;
    char line[256];
    long kilobytes = 0;
    while (std::fgets(line, sizeof line, status) != nullptr)
        if (std::strncmp(line, "VmHWM:", 6) == 0) {
            kilobytes = std::strtol(line + 6, nullptr, 10);  // "VmHWM:   123456 kB"
            break;
        }
    std::fclose(status);
    return kilobytes / 1024.0;
}

}  // namespace membrane
