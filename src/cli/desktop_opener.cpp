#include "cli/desktop_opener.h"

#include <spawn.h>
#include <sys/types.h>

#include <cstring>
#include <vector>

extern char** environ;

namespace membrane {

void XdgOpener::Open(const std::string& pathOrUrl) {
    std::string program = "xdg-open";
    std::string argument = pathOrUrl;
    std::vector<char*> argv = {program.data(), argument.data(), nullptr};
    pid_t child = 0;
    // The viewer outlives this short-lived process; nothing waits for it.
    const int error =
        ::posix_spawnp(&child, program.c_str(), nullptr, nullptr, argv.data(), environ);
    if (error != 0)
        messages_.Show("Can not open " + pathOrUrl + ": xdg-open could not be started (" +
                           std::strerror(error) + ").",
                       MessageKind::Warning);
}

}  // namespace membrane
