#include "linalg/solve_status.h"

namespace membrane {

std::string SolveStatusText(SolveStatus status) {
    switch (status) {
        case SolveStatus::Ok:
            return {};
        case SolveStatus::RowDependence:
            return "Matrix has a row dependance. ";
        case SolveStatus::NotSquare:
            return "Matrix is not square. ";
        case SolveStatus::DivisionByZero:
            return "Division by zero. ";
        case SolveStatus::TooLarge:
            return "Matrix is too large for the built-in elimination: it needs more memory than "
                   "this computer has or this process may use. "
                   "Use the sparse Cholesky solver. ";
        case SolveStatus::Unavailable:
            return "The sparse Cholesky solver is not available in this build.";
        case SolveStatus::NotConverged:
            return "The multigrid solver did not reach the Newton step: the system is not "
                   "positive definite or too badly conditioned. Use the sparse Cholesky solver. ";
        case SolveStatus::MultigridUnavailable:
            return "The multigrid solver (hypre) is not available on this computer.";
        case SolveStatus::Cancelled:
            return "cancelled by the user";
    }
    return {};
}

std::string SolveFailureReason(SolveStatus status) {
    if (status == SolveStatus::Unavailable) return "sparse Cholesky solver not available";
    if (status == SolveStatus::NotConverged) return "multigrid solver did not converge";
    if (status == SolveStatus::MultigridUnavailable) return "multigrid solver not available";
    std::string text = SolveStatusText(status);
    while (!text.empty() && text.back() == ' ') text.pop_back();
    return text;
}

}  // namespace membrane
