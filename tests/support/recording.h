// Test doubles of the run's listeners: a message sink and a results view that record
// what they are told.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "common/messages.h"
#include "heightfield/results_view.h"

namespace membrane::test {

class RecordingMessageSink final : public MessageSink {
  public:
    using MessageSink::Show;
    void Show(const UserMessage& message) override { messages.push_back(message); }

    std::vector<std::string> Texts() const {
        std::vector<std::string> texts;
        for (const auto& m : messages) texts.push_back(m.text);
        return texts;
    }

    std::vector<UserMessage> messages;
};

class RecordingView final : public ResultsView {
  public:
    void ShowMessage(const std::string& text) override {
        messages.push_back(text);
        if (onMessage) onMessage(text);
    }
    void ShowInput(std::shared_ptr<const Model> shown, bool loaded) override {
        model = std::move(shown);
        modelLoaded = loaded;
    }
    void SetFlatArea(const std::string& text) override { flatArea = text; }
    void SetFinalArea(const std::string& text) override { finalArea = text; }
    void ShowResults(std::shared_ptr<const Solution> shown) override {
        solution = std::move(shown);
    }

    std::vector<std::string> messages;  // progress lines
    // Called with each progress line as the run shows it: a test acts at a known point of
    // the run (raises a cancel flag, say) instead of after some time.
    std::function<void(const std::string&)> onMessage;
    std::shared_ptr<const Model> model;
    bool modelLoaded = false;
    std::shared_ptr<const Solution> solution;
    std::string flatArea, finalArea;
};

}  // namespace membrane::test
