// The linear solver of a run, made for the choice the run resolved.
#pragma once

#include <cstddef>
#include <memory>

#include "heightfield/fill_ordering.h"
#include "heightfield/model.h"
#include "heightfield/settings.h"
#include "linalg/linear_solver.h"

namespace membrane {

// Whether a run of a model file of this size may end up with the sparse Cholesky solver,
// so that its fill-reducing ordering is worth working out beside the loading: with that
// solver chosen, or with auto for files that may hold more nodes than the elimination
// takes and fewer than the multigrid solver is chosen for.
bool MayUseCholmod(const Settings& settings, std::size_t fileBytes);

// The solver for `choice` (not Auto). Null when it is not available (the sparse Cholesky
// solver not in the build, hypre not loadable) or its pattern cannot be set up. `model`
// must outlive the solver.
std::unique_ptr<LinearSolver> CreateLinearSolver(SolverChoice choice, const Model& model,
                                                 std::unique_ptr<FillOrdering> ordering,
                                                 const Settings& settings);

}  // namespace membrane
