// Hands a document or a web address to whatever the desktop opens it with. The core asks;
// the desktop program answers with its toolkit's service, the command line with xdg-open,
// tests record the request. Nothing waits for the opened program.
#pragma once

#include <string>

namespace membrane {

class Opener {
  public:
    virtual ~Opener() = default;
    virtual void Open(const std::string& pathOrUrl) = 0;
};

}  // namespace membrane
