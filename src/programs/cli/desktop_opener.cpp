#include "cli/desktop_opener.h"

#include <spawn.h>
#include <sys/types.h>
#include <sys/wait.h>

#include <chrono>
#include <cstring>
#include <thread>
#include <vector>

extern char** environ;

namespace membrane {
namespace {

// xdg-open either hands the document on and ends at once, runs the viewer itself (and ends
// with it), or finds no program and ends with a failure status within a moment.
constexpr auto kFailureWindow = std::chrono::seconds(5);
constexpr auto kPollInterval = std::chrono::milliseconds(20);

}  // namespace

bool XdgOpener::Open(const std::string& pathOrUrl) {
    std::string program = "xdg-open";
    std::string argument = pathOrUrl;
    std::vector<char*> argv = {program.data(), argument.data(), nullptr};
    pid_t child = 0;
    const int error =
        ::posix_spawnp(&child, program.c_str(), nullptr, nullptr, argv.data(), environ);
    if (error != 0) {
        messages_.Show("Can not open " + pathOrUrl + ": xdg-open could not be started (" +
                           std::strerror(error) + ").",
                       MessageKind::Warning);
        return false;
    }
    const auto deadline = std::chrono::steady_clock::now() + kFailureWindow;
    while (std::chrono::steady_clock::now() < deadline) {
        int status = 0;
        const pid_t done = ::waitpid(child, &status, WNOHANG);
        if (done == child) return WIFEXITED(status) && WEXITSTATUS(status) == 0;
        if (done < 0) return true;  // not ours to wait for any more: nothing says it failed
        std::this_thread::sleep_for(kPollInterval);
    }
    return true;  // a viewer is open; this short-lived process does not wait for it
}

}  // namespace membrane
