// The command line's stand-in for the results window: progress lines go to stdout as
// they come; message boxes go to stderr with their caption.
#pragma once

#include <cstdio>
#include <string>

#include "common/messages.h"
#include "common/results_view.h"

namespace membrane {

class ConsoleMessages final : public MessageSink {
public:
    using MessageSink::Show;
    void Show(const UserMessage& message) override;
    int count = 0;
};

class ConsoleView final : public ResultsView {
public:
    explicit ConsoleView(bool quiet) : quiet_(quiet) {}
    void ShowMessage(const std::string& text) override;
    void FillCoordGrid(const RunState&) override {}
    void FillElemGrid(const RunState&) override {}
    void FillConstrGrid(const RunState&) override {}
    void FillInitGrid(const RunState&) override {}
    void SetFlatArea(const std::string& text) override { flatAreaText = text; }
    void SetFinalArea(const std::string& text) override { finalAreaText = text; }
    void ShowResultHeights(const RunState&, int) override {}

    std::string flatAreaText, finalAreaText;

private:
    bool quiet_;
};

}  // namespace membrane
