#include "common/stale_temp_files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <ctime>
#include <mutex>
#include <set>

namespace membrane {
namespace {

// The time the process started, as near as a static initializer tells it.
const std::timespec kStarted = [] {
    std::timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    return now;
}();

bool Before(const std::timespec& a, const std::timespec& b) {
    return a.tv_sec < b.tv_sec || (a.tv_sec == b.tv_sec && a.tv_nsec < b.tv_nsec);
}

// Removes the file when it is a stale temporary file; the lock taken to tell is released
// when the descriptor is closed.
void RemoveIfStale(int directoryFd, const char* name) {
    const int fd = ::openat(directoryFd, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return;
    struct stat info {};
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && Before(info.st_mtim, kStarted) &&
        ::flock(fd, LOCK_EX | LOCK_NB) == 0) {
        // Still the file locked, not one renamed into its name meanwhile.
        struct stat named {};
        if (::fstatat(directoryFd, name, &named, AT_SYMLINK_NOFOLLOW) == 0 &&
            named.st_dev == info.st_dev && named.st_ino == info.st_ino)
            ::unlinkat(directoryFd, name, 0);
    }
    ::close(fd);
}

}  // namespace

bool IsTempFileName(const std::string& name) {
    if (name.size() != 14 || name.compare(0, 4, ".mbr") != 0) return false;
    for (std::size_t k = 4; k < name.size(); ++k) {
        const char c = name[k];
        if (!((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'))) return false;
    }
    return true;
}

void RemoveStaleTempFiles(const std::string& directory) {
    static std::mutex mutex;
    static std::set<std::string> swept;
    {
        const std::lock_guard<std::mutex> lock(mutex);
        if (!swept.insert(directory).second) return;
    }
    DIR* listing = ::opendir(directory.empty() ? "." : directory.c_str());
    if (listing == nullptr) return;
    while (const dirent* entry = ::readdir(listing))
        if (IsTempFileName(entry->d_name)) RemoveIfStale(::dirfd(listing), entry->d_name);
    ::closedir(listing);
}

}  // namespace membrane
