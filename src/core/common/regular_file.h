// Reading a whole input file safely: only a regular file, checked on the descriptor that
// is read, and only up to a bound.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace membrane {

// The bytes of `path`, or nothing with the reason in `why` ("No such file or directory",
// "a FIFO, not a regular file", "larger than 1024 MB", ...) when the file cannot be opened
// for reading, is not a regular file (a device, a FIFO, a directory: reading those would
// never end or block) or is larger than `maxBytes`. It is opened with O_NONBLOCK, so a
// FIFO is refused instead of waited on, and read up to the size it had when opened. A read
// that fails half-way raises IoError.
std::optional<std::string> ReadRegularFile(const std::string& path, std::uint64_t maxBytes,
                                           std::string* why = nullptr);

}  // namespace membrane
