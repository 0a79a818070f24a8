// The temporary files a process has open, so that SIGINT and SIGTERM can remove them
// before the process ends: a fixed table of paths that a signal handler may read (no
// allocation, no locks; each slot is claimed and released with an atomic state).
#pragma once

#include <string>

namespace membrane {

// Records `path` and creates it (O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC):
// the descriptor, or -1 with errno set. A file being created while a signal ends the
// process (on another thread) is removed too. `slot` is the slot to release, -1 when the
// table is full (the file is then not removed on a signal).
int CreateRegisteredFile(const std::string& path, int& slot);
void ReleaseTempFile(int slot);

// Installs handlers for SIGINT and SIGTERM that remove every registered temporary file and
// end the process with status 128 + the signal number (130, 143). For the programs'
// main functions only: the core never ends the process.
void RemoveTempFilesOnSignals();

}  // namespace membrane
