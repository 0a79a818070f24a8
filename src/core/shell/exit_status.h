// The exit status of a command that ran an analysis, one table for every analysis and
// command (README.md and each command's --help show it).
#pragma once

#include "shell/run_record.h"

namespace membrane {

enum ExitStatus {
    kExitSuccess = 0,        // converged, no warnings
    kExitWarnings = 1,       // files written, with warnings (the summary says which)
    kExitInputErrors = 2,    // also every warning of a --strict run
    kExitDiverged = 3,       // also results that are not finite numbers
    kExitSolverFailure = 4,  // also memory that ran out
    kExitOutputFailure = 5,  // a file could not be read or written; also a cancelled run
    kExitAborted = 6,        // an error of the program itself
    kExitUsage = 64,
};

int ExitStatusOf(RunOutcome outcome, bool warnings);
inline int ExitStatusOf(const RunRecord& run) {
    return ExitStatusOf(run.outcome, !run.warnings.empty());
}

}  // namespace membrane
