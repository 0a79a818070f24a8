// The bytes of a model file, read once: every table reader, the model check and the
// solver's ordering work on this text.
#pragma once

#include <memory>
#include <string>

namespace membrane {

struct ModelFile {
    std::string path;  // as the user gave it
    std::string text;
};

// Null when the file cannot be opened for reading (missing, no permission, a directory).
// A read that fails half-way raises IoError.
std::shared_ptr<const ModelFile> ReadModelFile(const std::string& path);

}  // namespace membrane
