// The bytes of a model file, read once: every table reader, the model check and the
// solver's ordering work on this text.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace membrane {

struct ModelFile {
    std::string path;  // as the user gave it
    std::string text;
};

// The largest model file read: a million-node model takes about 170 MB, the largest the
// generator writes (2e7 nodes) about 3.4 GB.
constexpr std::uint64_t kMaxModelFileBytes = std::uint64_t{4} << 30;

// Null, with the reason in `why` ("no such file", "a FIFO, not a regular file", ...), when
// the file cannot be opened for reading, is not a regular file (a device, a FIFO, a
// directory: reading those would never end or block) or is larger than
// kMaxModelFileBytes. The file is read up to the size it had when opened. A read that
// fails half-way raises IoError.
std::shared_ptr<const ModelFile> ReadModelFile(const std::string& path, std::string* why = nullptr);

}  // namespace membrane
