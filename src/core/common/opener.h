// Hands a document or a web address to whatever the desktop opens it with. The core asks;
// the desktop program answers with its toolkit's service, the command line with xdg-open,
// tests record the request. Nothing waits for the opened program to end.
#pragma once

#include <string>

namespace membrane {

class Opener {
  public:
    virtual ~Opener() = default;
    // False when no program could open the document (the caller tells the user). An opener
    // that learns of a failure only later returns true and tells the user itself.
    virtual bool Open(const std::string& pathOrUrl) = 0;
};

// What the user is told when no program opened `path`.
inline std::string NoViewerMessage(const std::string& path) {
    return "No program could open " + path +
           ". Install a VRML viewer (for example view3dscene) and xdg-utils, or open the file "
           "with a viewer of your choice.";
}

}  // namespace membrane
