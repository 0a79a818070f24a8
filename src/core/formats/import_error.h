// Why a surface could not be made into a model: the message the user sees.
#pragma once

#include <stdexcept>
#include <string>

namespace membrane {

class ImportError : public std::runtime_error {
  public:
    explicit ImportError(const std::string& what) : std::runtime_error(what) {}
};

// The user cancelled the import: nothing was written, nothing to tell.
class ImportCancelled : public ImportError {
  public:
    ImportCancelled() : ImportError("The import was cancelled") {}
};

}  // namespace membrane
