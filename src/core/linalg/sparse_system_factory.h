// The one place where a back-end is chosen and made, for every analysis.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "linalg/solver_choice.h"
#include "linalg/sparse_system.h"

namespace membrane {

// What `auto` takes for a system of this pattern, in this order: the built-in elimination
// where its predicted work is at most kAutoEliminationWork (counted before any number is
// computed, and at most up to the limit; `eliminationWork` may give the client's own
// count), multigrid above kAutoMultigridUnknowns unknowns when hypre loads, sparse
// Cholesky otherwise (the elimination when the build has no CHOLMOD: `note` says so).
// A choice other than Auto is returned as it is.
SolverChoice ResolveSolverChoice(SolverChoice choice, const SparsePattern& pattern,
                                 std::string* note = nullptr, double eliminationWork = -1.0);

// The system for a resolved choice (not Auto). Null when the back-end is not available
// (CHOLMOD not in the build, hypre not loadable) or cannot hold the pattern; the status
// to report is then UnavailableStatus(choice).
std::unique_ptr<SparseSystem> CreateSparseSystem(SolverChoice choice,
                                                 std::shared_ptr<const SparsePattern> pattern,
                                                 SystemOptions options);

// What a null system from CreateSparseSystem means for the user.
SolveStatus UnavailableStatus(SolverChoice choice);

}  // namespace membrane
