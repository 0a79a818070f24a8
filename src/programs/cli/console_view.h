// The command line's stand-in for the results window: progress lines go to stdout as
// they come; message boxes go to stderr with their caption.
#pragma once

#include <string>

#include "common/messages.h"
#include "heightfield/results_view.h"

namespace membrane {

class ConsoleMessages final : public MessageSink {
  public:
    using MessageSink::Show;
    void Show(const UserMessage& message) override;
};

class ConsoleView final : public ResultsView {
  public:
    explicit ConsoleView(bool quiet) : quiet_(quiet) {}
    void ShowMessage(const std::string& text) override;
    void ShowInput(std::shared_ptr<const Model>, bool) override {}
    void SetFlatArea(const std::string& text) override { flatAreaText = text; }
    void SetFinalArea(const std::string&) override {}
    void ShowResults(std::shared_ptr<const Solution>) override {}

    std::string flatAreaText;  // set when the model had every table

  private:
    bool quiet_;
};

}  // namespace membrane
