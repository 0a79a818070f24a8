// The command line's way to open a document with the desktop's default program: xdg-open,
// started and left running on its own.
#pragma once

#include <string>

#include "common/messages.h"
#include "common/opener.h"

namespace membrane {

class XdgOpener final : public Opener {
  public:
    explicit XdgOpener(MessageSink& messages) : messages_(messages) {}
    // Starts "xdg-open pathOrUrl" without waiting for it; tells the sink when it cannot
    // be started (xdg-open missing).
    void Open(const std::string& pathOrUrl) override;

  private:
    MessageSink& messages_;
};

}  // namespace membrane
