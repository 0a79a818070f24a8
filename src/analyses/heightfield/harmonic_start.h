// The harmonic start: free heights that minimise the Dirichlet energy for the held ones.
#pragma once

#include <vector>

#include "heightfield/model.h"
#include "linalg/linear_solver.h"

namespace membrane {

// The model's start heights with every free node's height replaced by the discrete
// harmonic extension of the held heights (P1 Laplace problem on the plan mesh, held nodes
// as its boundary values), solved by `solver`. Anything but Ok: `heights` is not to be used.
SolveStatus HarmonicStartHeights(const Model& model, LinearSolver& solver,
                                 std::vector<double>& heights);

}  // namespace membrane
