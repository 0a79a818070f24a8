#include "cli/console_view.h"

#include <signal.h>

#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace membrane {

void ConsoleMessages::Show(const UserMessage& message) {
    std::string text = message.text;
    if (!message.detail.empty()) text += ": " + message.detail;
    for (char& c : text)
        if (c == '\r') c = '\n';
    if (message.caption.empty())
        std::fprintf(stderr, "%s\n", text.c_str());
    else
        std::fprintf(stderr, "%s: %s\n", message.caption.c_str(), text.c_str());
    std::fflush(stderr);
}

namespace {

// A seam for tests that act on a run in another process at a known point (a signal while
// files are being written, say): with MEMBRANE_TEST_STOP_AT set, the program stops itself
// (SIGSTOP) at every progress line that begins with its value, until it is continued.
void StopHereIfAsked(const std::string& line) {
    static const char* const stopAt = std::getenv("MEMBRANE_TEST_STOP_AT");
    if (stopAt != nullptr && *stopAt != '\0' && std::string_view(line).starts_with(stopAt))
        ::raise(SIGSTOP);
}

}  // namespace

void ConsoleView::ShowMessage(const std::string& text) {
    StopHereIfAsked(text);
    if (quiet_) return;
    std::printf("%s\n", text.c_str());
    std::fflush(stdout);
}

}  // namespace membrane
