#include "common/text_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "common/file_names.h"
#include "common/io_error.h"
#include "common/stale_temp_files.h"
#include "common/temp_registry.h"

namespace membrane {

std::unique_ptr<TextFileWriter> TextFileWriter::Create(const std::string& path) {
    if (path.empty()) return nullptr;
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) return nullptr;
    return std::unique_ptr<TextFileWriter>(new TextFileWriter(file, path));
}

std::unique_ptr<TextFileWriter> TextFileWriter::Adopt(int descriptor, const std::string& path) {
    std::FILE* file = ::fdopen(descriptor, "wb");
    if (file == nullptr) {
        ::close(descriptor);
        return nullptr;
    }
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

namespace {

std::function<std::string()>& TempLettersForTesting() {
    static std::function<std::string()> letters;
    return letters;
}

// A short name nobody can guess: ".mbr" and ten letters or digits from the kernel's
// random source (the clock and the process number as a last resort).
std::string RandomTempName() {
    if (const auto& letters = TempLettersForTesting()) return ".mbr" + letters();
    static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    unsigned char bytes[10];
    if (::getrandom(bytes, sizeof bytes, 0) != static_cast<ssize_t>(sizeof bytes)) {
        static unsigned long counter = 0;
        unsigned long seed = static_cast<unsigned long>(::getpid()) * 2654435761UL ^
                             static_cast<unsigned long>(::time(nullptr)) ^ ++counter;
        for (unsigned char& b : bytes) b = static_cast<unsigned char>(seed >>= 3);
    }
    std::string name = ".mbr";
    for (const unsigned char b : bytes) name.push_back(kLetters[b % 36]);
    return name;
}

}  // namespace

std::string RefusedTarget(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        // A dangling link or a name in a directory the user cannot search: lstat tells.
        struct stat link {};
        if (::lstat(path.c_str(), &link) == 0 && !S_ISLNK(link.st_mode))
            return path + ": cannot be examined";
        return {};
    }
    if (S_ISDIR(info.st_mode)) return path + ": is a directory, not a file to write";
    if (!S_ISREG(info.st_mode))
        return path + ": is not a regular file (" +
               (S_ISCHR(info.st_mode)    ? "a character device"
                : S_ISBLK(info.st_mode)  ? "a block device"
                : S_ISFIFO(info.st_mode) ? "a FIFO"
                : S_ISSOCK(info.st_mode) ? "a socket"
                                         : "a special file") +
               "); it is not replaced";
    if ((info.st_mode & 0222) == 0) return path + ": is write-protected; it is not replaced";
    if (::access(path.c_str(), W_OK) != 0)
        return path + ": " + std::strerror(errno) + "; it is not replaced";
    return {};
}

void AtomicFile::SetTempLettersForTesting(std::function<std::string()> letters) {
    TempLettersForTesting() = std::move(letters);
}

AtomicFile::AtomicFile(std::string target) : target_(std::move(target)) {}

AtomicFile::~AtomicFile() {
    if (!done_) Remove();
}

void AtomicFile::Remove() {
    if (!temp_.empty()) ::unlink(temp_.c_str());
    ReleaseTempFile(slot_);
    slot_ = -1;
    Unlock();
}

void AtomicFile::Unlock() {
    if (lock_ >= 0) ::close(lock_);
    lock_ = -1;
}

std::unique_ptr<TextFileWriter> AtomicFile::Create() {
    if (target_.empty()) {
        error_ = "no file name";
        return nullptr;
    }
    error_ = RefusedTarget(target_);
    refused_ = !error_.empty();
    if (refused_) return nullptr;
    struct stat existing {};
    if (::stat(target_.c_str(), &existing) == 0) mode_ = existing.st_mode & 07777;
    const std::string directory = ExtractFilePath(target_);
    RemoveStaleTempFiles(directory);
    for (int attempt = 0; attempt < 100; ++attempt) {
        temp_ = directory + RandomTempName();
        const int fd = CreateRegisteredFile(temp_, slot_);
        if (fd >= 0) {
            // Held until the file is renamed or removed, on a descriptor of its own (the
            // writer closes its one before the rename): see stale_temp_files.h.
            ::flock(fd, LOCK_EX | LOCK_NB);
            lock_ = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
            // The new file keeps the mode of the one it replaces.
            if (existing.st_ino != 0) ::fchmod(fd, mode_);
            // Errors name the file the user asked for, not its temporary stand-in.
            auto writer = TextFileWriter::Adopt(fd, target_);
            if (!writer) break;
            return writer;
        }
        const int error = errno;
        ReleaseTempFile(slot_);
        slot_ = -1;
        temp_.clear();
        if (error != EEXIST) {
            error_ = target_ + ": " + std::strerror(error);
            return nullptr;
        }
    }
    Remove();
    temp_.clear();
    error_ = target_ + ": no temporary file can be created beside it";
    return nullptr;
}

void AtomicFile::SyncTemp() const {
    const int fd = ::open(temp_.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

void AtomicFile::Seal() {
    if (sealed_) return;
    // The data reach the disk before the name does, so a crash cannot leave a target
    // that names an empty or partial file; a disk that fills only now (delayed
    // allocation) fails here, before any file of the run is put in place.
    const int fd = ::open(temp_.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    const bool synced = fd >= 0 && ::fsync(fd) == 0;
    const int error = errno;
    if (fd >= 0) ::close(fd);
    if (!synced) {
        done_ = true;
        Remove();
        throw IoError("cannot write " + target_ + ": " + std::strerror(error));
    }
    sealed_ = true;
}

void AtomicFile::Commit() {
    Seal();
    done_ = true;
    // The target may have changed since Create: a device or a protected file put in its
    // place in the meantime is still not replaced.
    std::string refused = RefusedTarget(target_);
    if (refused.empty() && std::rename(temp_.c_str(), target_.c_str()) != 0)
        refused = "cannot replace " + target_ + ": " + std::strerror(errno);
    if (!refused.empty()) {
        Remove();
        throw IoError(refused);
    }
    ReleaseTempFile(slot_);
    slot_ = -1;
    Unlock();
}

}  // namespace membrane
