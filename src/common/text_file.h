// Writing the program's 8-bit text files: every line ends with CR LF.
//
// A failed write or close raises IoError, so that a full disk or a vanished directory
// aborts the output step instead of leaving a silently truncated file behind.
#pragma once

#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

#include "common/text_sink.h"

namespace membrane {

class TextFileWriter final : public TextSink {
  public:
    // Creates (or truncates) the file. Null when it cannot be created.
    static std::unique_ptr<TextFileWriter> Create(const std::string& path);
    ~TextFileWriter() override;  // closes without reporting; call Close() to learn of errors
    TextFileWriter(const TextFileWriter&) = delete;
    TextFileWriter& operator=(const TextFileWriter&) = delete;

    void Write(std::string_view text) override;
    // Hands what is buffered to the system (not yet to the disk).
    void Flush();
    void Close();

  private:
    TextFileWriter(std::FILE* file, std::string path);
    void Check(bool ok);

    std::FILE* file_;
    std::string path_;
};

// Writes a whole file through a temporary file beside it that is renamed into place only
// when complete: the target is then either the new file or whatever was there before.
class AtomicFile {
  public:
    explicit AtomicFile(std::string target);
    ~AtomicFile();  // removes the temporary file if Commit() was not reached
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    const std::string& TempPath() const { return temp_; }
    const std::string& Target() const { return target_; }
    // Pushes what the temporary file holds so far to the disk, so that Commit has less
    // left to wait for; errors are left for Commit to find.
    void SyncTemp() const;
    // Renames the temporary file onto the target. Throws IoError when that fails.
    void Commit();

  private:
    std::string target_;
    std::string temp_;
    bool done_ = false;
};

}  // namespace membrane
