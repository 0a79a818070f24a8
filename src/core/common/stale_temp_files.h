// Temporary files left behind by a writer that was killed (SIGKILL, a crash, a power cut):
// the names AtomicFile gives its temporary files (".mbr" and ten letters or digits).
//
// A writer holds an exclusive flock on its temporary file from its creation until it is
// renamed into place or removed (AtomicFile). Such a file that nobody holds and that is
// older than the process looking at it has lost its writer for good.
#pragma once

#include <string>

namespace membrane {

// Whether `name` (no directory) is one AtomicFile gives its temporary files.
bool IsTempFileName(const std::string& name);

// Removes, from `directory` ("" for the current one), the temporary files that were last
// changed before this process started and that no process holds locked; each directory
// once per process. Errors are passed over: a file that cannot be removed stays.
void RemoveStaleTempFiles(const std::string& directory);

}  // namespace membrane
