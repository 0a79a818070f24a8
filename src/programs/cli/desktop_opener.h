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
    // Starts "xdg-open pathOrUrl" and watches it for a few seconds: false when it cannot be
    // started or ends with a failure (no program registered for the document). An xdg-open
    // still running then has handed the document to a viewer and is left to it.
    bool Open(const std::string& pathOrUrl) override;

  private:
    MessageSink& messages_;
};

}  // namespace membrane
