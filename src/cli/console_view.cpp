#include "cli/console_view.h"

#include <cstdio>

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

void ConsoleView::ShowMessage(const std::string& text) {
    if (quiet_) return;
    std::printf("%s\n", text.c_str());
    std::fflush(stdout);
}

}  // namespace membrane
