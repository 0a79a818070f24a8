// The desktop's side of the core's interfaces: message boxes and opening documents.
#pragma once

#include <QPointer>
#include <QWidget>

#include "common/messages.h"
#include "common/opener.h"

namespace membrane {

// Shows every message of the computation as a modal QMessageBox with an OK button.
class QtMessageSink final : public MessageSink {
  public:
    using MessageSink::Show;
    void SetOwner(QWidget* owner) { owner_ = owner; }
    void Show(const UserMessage& message) override;

  private:
    QPointer<QWidget> owner_;
};

// Opens a file or an address with the desktop's default application. A file goes to
// xdg-open, watched without blocking: when it cannot be started, or ends with a failure
// within a few seconds (nothing registered for the file), `messages` tells the user.
class DesktopOpener final : public Opener {
  public:
    explicit DesktopOpener(MessageSink& messages) : messages_(messages) {}
    bool Open(const std::string& pathOrUrl) override;

  private:
    MessageSink& messages_;
};

}  // namespace membrane
