// Writing the program's 8-bit text files: every line ends with CR LF.
//
// A failed write or close raises IoError, so that a full disk or a vanished directory
// aborts the output step instead of leaving a silently truncated file behind.
#pragma once

#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "common/text_sink.h"

namespace membrane {

class TextFileWriter final : public TextSink {
  public:
    // Creates (or truncates) the file. Null when it cannot be created.
    static std::unique_ptr<TextFileWriter> Create(const std::string& path);
    // Writes to a file already open for writing; takes the descriptor over.
    static std::unique_ptr<TextFileWriter> Adopt(int descriptor, const std::string& path);
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
//
// Only a regular file (or a symbolic link to one) that the user may write is replaced: a
// device, a directory, a FIFO or a write-protected file is refused, before and again right
// before the rename. The temporary file has an unpredictable short name in the target's
// directory and is created with O_CREAT | O_EXCL, so it can be neither an existing file
// nor a link planted under that name; until it is renamed or removed it is registered for
// removal on SIGINT and SIGTERM, and held under an flock, so that the temporary files of a
// writer killed outright are told from live ones and removed by the next writer in that
// directory (stale_temp_files.h).
class AtomicFile {
  public:
    // For tests: where the ten random letters of the temporary names come from (null: the
    // kernel's random source), so that a test can plant a file under the next name.
    static void SetTempLettersForTesting(std::function<std::string()> letters);

    explicit AtomicFile(std::string target);
    ~AtomicFile();  // removes the temporary file if Commit() was not reached
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    // Creates the temporary file and a writer on it. Null, with the reason in Error(), when
    // the target may not be replaced or the temporary file cannot be created.
    std::unique_ptr<TextFileWriter> Create();
    // Why Create failed: "<target>: <reason>".
    const std::string& Error() const { return error_; }
    // Whether Create failed because the target may not be replaced (see RefusedTarget),
    // not because no file could be created.
    bool Refused() const { return refused_; }

    const std::string& TempPath() const { return temp_; }
    const std::string& Target() const { return target_; }
    // Pushes what the temporary file holds so far to the disk, so that Commit has less
    // left to wait for; errors are left for Commit to find.
    void SyncTemp() const;
    // Pushes the temporary file's data to the disk; throws IoError (and removes the
    // temporary file) when that fails. Commit does it first unless it has been done.
    void Seal();
    // Renames the temporary file onto the target. Throws IoError when that fails.
    void Commit();

  private:
    void Remove();
    void Unlock();

    std::string target_;
    std::string temp_;
    std::string error_;
    int slot_ = -1;  // in the registry of temporary files
    int lock_ = -1;  // a descriptor holding the temporary file's flock
    unsigned mode_ = 0666;
    bool done_ = false;
    bool refused_ = false;
    bool sealed_ = false;
};

// Why `path` may not be replaced by a new file: it exists and is not a regular file (nor a
// symbolic link to one), or the user may not write it (no write permission, or every write
// bit cleared: a write-protected file is kept even for the superuser). Empty when it may.
std::string RefusedTarget(const std::string& path);

}  // namespace membrane
