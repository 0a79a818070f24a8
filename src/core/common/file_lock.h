// An advisory lock (flock) on a file for as long as the object lives: the runs of one model
// file write their files one after the other, never interleaved.
#pragma once

#include <functional>
#include <string>

namespace membrane {

class FileLock {
  public:
    // Locks `path` exclusively when it is a regular file; waits while another process
    // holds the lock, calling `waiting` once first. A file that cannot be opened or locked
    // is not locked (whoever reads it next reports that).
    FileLock(const std::string& path, const std::function<void()>& waiting);
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    bool Locked() const { return fd_ >= 0; }

  private:
    int fd_ = -1;
};

// Whether two paths name the same file: the same device and inode when both exist,
// otherwise the same absolute path once "." and ".." and symbolic links are resolved.
bool SameFile(const std::string& a, const std::string& b);

}  // namespace membrane
