#include "model/model_file.h"

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

std::shared_ptr<const ModelFile> Refuse(std::string* why, std::string reason) {
    if (why) *why = std::move(reason);
    return nullptr;
}

}  // namespace

std::shared_ptr<const ModelFile> ReadModelFile(const std::string& path, std::string* why) {
    if (path.empty()) return Refuse(why, "no file name");
    // O_NONBLOCK: opening a FIFO must not wait for a writer; the type is checked on the
    // descriptor, so the file read is the file checked.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return Refuse(why, std::strerror(errno));
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        const std::string kind = KindOf(info.st_mode);
        ::close(fd);
        return Refuse(why, kind + ", not a regular file");
    }
    const auto size = static_cast<std::uint64_t>(info.st_size);
    if (size > kMaxModelFileBytes) {
        ::close(fd);
        return Refuse(
            why, "larger than " + std::to_string(kMaxModelFileBytes >> 20) + " MB: no model file");
    }
    auto model = std::make_shared<ModelFile>();
    model->path = path;
    model->text.resize(static_cast<std::size_t>(size));
    std::size_t done = 0;
    while (done < model->text.size()) {
        const ssize_t count = ::read(fd, model->text.data() + done, model->text.size() - done);
        if (count < 0 && errno == EINTR) continue;
        if (count < 0) {
            const int error = errno;
            ::close(fd);
            throw IoError("read error in " + path + ": " + std::strerror(error));
        }
        if (count == 0) break;  // the file shrank meanwhile
        done += static_cast<std::size_t>(count);
    }
    ::close(fd);
    model->text.resize(done);
    return model;
}

}  // namespace membrane
