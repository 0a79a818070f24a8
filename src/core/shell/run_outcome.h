// How a run of any analysis ended: what the programs turn into exit statuses, statuses
// and message boxes.
#pragma once

namespace membrane {

enum class RunOutcome {
    Success,        // converged or reached the iteration limit; files written
    InputErrors,    // the model did not load (or, in a strict run, gave warnings)
    Diverged,       // an increment blew up, or a result is not a finite number
    SolverFailure,  // the linear solver failed
    Cancelled,      // the user stopped the run
    OutputFailure,  // a file could not be read or written (the model file included)
    OutOfMemory,    // the computer's memory ran out
    InternalError,  // an error of the program itself
};

}  // namespace membrane
