// Why a surface could not be made into a model: the message the user sees.
#pragma once

#include <stdexcept>
#include <string>

namespace membrane {

class ImportError : public std::runtime_error {
  public:
    explicit ImportError(const std::string& what) : std::runtime_error(what) {}
};

}  // namespace membrane
