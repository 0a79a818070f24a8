// What the computation tells the user in a modal message box. The core never shows a
// window or writes to the terminal: it hands each message to a sink. The desktop program
// shows a QMessageBox, the command line prints to stderr, tests record.
#pragma once

#include <string>

namespace membrane {

enum class MessageKind { Information, Warning, Error };

struct UserMessage {
    std::string caption;  // may be empty: the box then carries the program's name
    std::string text;
    MessageKind kind = MessageKind::Information;
    // What the message is about, when the text does not say it (the path of a model file
    // that cannot be read, and why): printed after the text on a terminal, the box's
    // informative text in the desktop program.
    std::string detail;
};

class MessageSink {
  public:
    virtual ~MessageSink() = default;
    // Blocks, as a modal box does, until the user has seen the message.
    virtual void Show(const UserMessage& message) = 0;

    void Show(std::string text, MessageKind kind = MessageKind::Information,
              std::string caption = {}) {
        Show(UserMessage{std::move(caption), std::move(text), kind, {}});
    }
};

// Drops every message. Used where nobody listens.
class NullMessageSink final : public MessageSink {
  public:
    using MessageSink::Show;
    void Show(const UserMessage&) override {}
};

}  // namespace membrane
