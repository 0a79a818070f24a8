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
    void Show(const UserMessage& message) override { ShowOver(owner_, message); }
    // The box belongs to `owner` (null: none): a child of it, raised and modal to it, so
    // that it is never hidden under the window the user looks at.
    void ShowOver(QWidget* owner, const UserMessage& message);

  private:
    QPointer<QWidget> owner_;
};

// The messages of one window: the desktop's boxes open over `owner`; any other sink (a
// test's) gets them as they are. `next` must outlive this object.
class OwnedMessages final : public MessageSink {
  public:
    OwnedMessages(MessageSink& next, QWidget* owner) : next_(next), owner_(owner) {}
    using MessageSink::Show;
    void Show(const UserMessage& message) override;

  private:
    MessageSink& next_;
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
