// How a solve of the Newton system ended, and what the user is told when it failed.
#pragma once

#include <string>

namespace membrane {

enum class SolveStatus {
    Ok,
    RowDependence,
    NotSquare,
    DivisionByZero,
    TooLarge,
    Unavailable,
    NotConverged,          // the multigrid solver's iterations did not reach the step
    MultigridUnavailable,  // hypre could not be loaded
    Cancelled,             // the cancel flag was set during the solve: not a failure of the solver
};

// The message the user sees for a failed solve ("Matrix has a row dependance. ",
// "Matrix is not square. ", "Division by zero. ", ...); empty for Ok.
std::string SolveStatusText(SolveStatus status);

// What the run's last line says after "ERRORS reported ": the message without its
// trailing blank, or "sparse Cholesky solver not available".
std::string SolveFailureReason(SolveStatus status);

}  // namespace membrane
