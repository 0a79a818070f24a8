#include "common/regular_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "common/io_error.h"

namespace membrane {
namespace {

std::string KindOf(mode_t mode) {
    if (S_ISDIR(mode)) return "a directory";
    if (S_ISCHR(mode)) return "a character device";
    if (S_ISBLK(mode)) return "a block device";
    if (S_ISFIFO(mode)) return "a FIFO";
    if (S_ISSOCK(mode)) return "a socket";
    return "a special file";
}

std::nullopt_t Refuse(std::string* why, std::string reason) {
    if (why) *why = std::move(reason);
    return std::nullopt;
}

// Closes the descriptor however the read ends.
struct Descriptor {
    int fd;
    ~Descriptor() {
        if (fd >= 0) ::close(fd);
    }
};

}  // namespace

std::optional<std::string> ReadRegularFile(const std::string& path, std::uint64_t maxBytes,
                                           std::string* why) {
    if (path.empty()) return Refuse(why, "no file name");
    // O_NONBLOCK: opening a FIFO must not wait for a writer; the type is checked on the
    // descriptor, so the file read is the file checked.
    const Descriptor file{::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC)};
    if (file.fd < 0) return Refuse(why, std::strerror(errno));
    struct stat info {};
    if (::fstat(file.fd, &info) != 0 || !S_ISREG(info.st_mode))
        return Refuse(why, KindOf(info.st_mode) + ", not a regular file");
    const auto size = static_cast<std::uint64_t>(info.st_size);
    if (size > maxBytes)
        return Refuse(why, "larger than " + std::to_string(maxBytes >> 20) + " MB");
    std::string bytes(static_cast<std::size_t>(size), '\0');
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t count = ::read(file.fd, bytes.data() + done, bytes.size() - done);
        if (count < 0 && errno == EINTR) continue;
        if (count < 0) throw IoError("read error in " + path + ": " + std::strerror(errno));
        if (count == 0) break;  // the file shrank meanwhile
        done += static_cast<std::size_t>(count);
    }
    bytes.resize(done);
    return bytes;
}

}  // namespace membrane
