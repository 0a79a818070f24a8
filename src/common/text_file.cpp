#include "common/text_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "common/file_names.h"
#include "common/io_error.h"

namespace membrane {

std::unique_ptr<TextFileWriter> TextFileWriter::Create(const std::string& path) {
    if (path.empty()) return nullptr;
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) return nullptr;
    return std::unique_ptr<TextFileWriter>(new TextFileWriter(file, path));
}

TextFileWriter::TextFileWriter(std::FILE* file, std::string path)
    : file_(file), path_(std::move(path)) {
    std::setvbuf(file_, nullptr, _IOFBF, 1 << 20);
}

TextFileWriter::~TextFileWriter() {
    if (file_ != nullptr) std::fclose(file_);
}

void TextFileWriter::Check(bool ok) {
    if (!ok) throw IoError("write error in " + path_ + ": " + std::strerror(errno));
}

void TextFileWriter::Write(std::string_view text) {
    if (text.empty()) return;
    Check(std::fwrite(text.data(), 1, text.size(), file_) == text.size());
}

void TextFileWriter::Flush() {
    Check(std::fflush(file_) == 0);
}

void TextFileWriter::Close() {
    std::FILE* file = file_;
    file_ = nullptr;
    if (file == nullptr) return;
    const bool flushed = std::fflush(file) == 0;
    const bool closed = std::fclose(file) == 0;
    Check(flushed && closed);
}

AtomicFile::AtomicFile(std::string target) : target_(std::move(target)) {
    temp_ = ExtractFilePath(target_) + "." + ExtractFileName(target_) + ".part-" +
            std::to_string(::getpid());
    std::remove(temp_.c_str());
}

AtomicFile::~AtomicFile() {
    if (!done_) std::remove(temp_.c_str());
}

void AtomicFile::SyncTemp() const {
    const int fd = ::open(temp_.c_str(), O_RDONLY);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

void AtomicFile::Commit() {
    done_ = true;
    // The data reach the disk before the name does, so a crash cannot leave a target
    // that names an empty or partial file.
    const int fd = ::open(temp_.c_str(), O_RDONLY);
    const bool synced = fd >= 0 && ::fsync(fd) == 0;
    if (fd >= 0) ::close(fd);
    if (!synced || std::rename(temp_.c_str(), target_.c_str()) != 0) {
        const std::string reason = std::strerror(errno);
        std::remove(temp_.c_str());
        throw IoError("cannot replace " + target_ + ": " + reason);
    }
}

}  // namespace membrane
