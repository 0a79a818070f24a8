// The confined child: what the work does that it may not is stopped and named; a crash, a
// limit reached or an error ends the child, never this process, with the reason.
#include "formats/confined_child.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>
#include <stdexcept>
#include <vector>

#include "support/files.h"

namespace membrane {
namespace {

TEST(ConfinedChild, ForbiddenCallsLimitsAndCrashesEndTheChildWithTheReason) {
    test::TempDir dir;
    const std::string written = dir / "written";
    struct Case {
        const char* what;
        std::function<std::string()> work;
        std::string why;  // empty: the work's result comes back
    };
    const std::vector<Case> catalogue = {
        {"result", [] { return std::string("mesh"); }, ""},
        {"program", [] { return std::to_string(execl("/bin/true", "true", nullptr)); },
         "tried to run a program; refused"},
        {"file written",
         [&] { return std::to_string(open(written.c_str(), O_WRONLY | O_CREAT, 0644)); },
         "tried to write a file; refused"},
        {"socket", [] { return std::to_string(socket(AF_INET, SOCK_STREAM, 0)); },
         "tried to use the network; refused"},
        {"signal to the parent", [] { return std::to_string(kill(getppid(), 0)); },
         "tried to reach another process; refused"},
        {"error", []() -> std::string { throw std::runtime_error("no surface"); }, "no surface"},
        // SIGABRT, not SIGSEGV: the sanitizers' own handler would turn a SIGSEGV into an
        // ordinary exit with a report.
        {"crash",
         []() -> std::string {
             raise(SIGABRT);
             return "";
         },
         "crashed (signal SIGABRT"},
        {"endless",
         []() -> std::string {
             volatile int spin = 0;
             while (spin == 0) {
             }
             return "";
         },
         " 1 s"},
    };
    for (const Case& c : catalogue) {
        SCOPED_TRACE(c.what);
        ConfinedLimits limits;
        limits.seconds = 1;
        const ConfinedOutcome outcome = RunConfined(
            limits, [] {}, c.work);
        EXPECT_EQ(outcome.ok, c.why.empty()) << outcome.why;
        if (c.why.empty()) {
            EXPECT_EQ(outcome.result, "mesh");
        }
        EXPECT_NE(outcome.why.find(c.why), std::string::npos) << outcome.why;
    }
    EXPECT_FALSE(test::Exists(written));
}

}  // namespace
}  // namespace membrane
