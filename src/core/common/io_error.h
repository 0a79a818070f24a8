// An input/output error of a file that was opened successfully (a read or write that
// failed half-way, a full disk). It aborts the operation in progress; the run reports it
// to the user and ends as failed.
#pragma once

#include <stdexcept>
#include <string>

namespace membrane {

class IoError : public std::runtime_error {
  public:
    explicit IoError(const std::string& what) : std::runtime_error(what) {}
};

}  // namespace membrane
