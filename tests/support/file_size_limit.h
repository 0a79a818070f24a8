// A disk that is full for the files written in a test: writes beyond a size fail with
// EFBIG (RLIMIT_FSIZE, SIGXFSZ ignored) for as long as the object lives. Children started
// meanwhile inherit the limit.
#pragma once

#include <sys/resource.h>

#include <csignal>

namespace membrane::test {

class FileSizeLimit {
  public:
    explicit FileSizeLimit(rlim_t bytes = 1024) {
        ::getrlimit(RLIMIT_FSIZE, &saved_);
        previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = saved_;
        limit.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, previousHandler_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

  private:
    rlimit saved_{};
    void (*previousHandler_)(int) = nullptr;
};

}  // namespace membrane::test
