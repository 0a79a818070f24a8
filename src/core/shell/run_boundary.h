// Where a run's exceptions stop: whatever the work of an analysis throws ends the run as
// failed, with a message box, instead of leaving the run shell (run_shell.h).
#pragma once

#include <string>

#include "shell/run_outcome.h"

namespace membrane {

// How the run ends, and the message box that says so.
struct RunFailure {
    RunOutcome outcome = RunOutcome::InternalError;
    std::string reason;  // after "ERRORS reported "
    std::string text;
    std::string caption;
};

// The failure of the exception being handled; call only inside a catch block. An IoError
// is an input/output error, std::bad_alloc memory that ran out, anything else an error of
// the program itself.
RunFailure CurrentFailure();

}  // namespace membrane
