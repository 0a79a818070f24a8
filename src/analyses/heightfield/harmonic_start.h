// The harmonic start: free heights that minimise the Dirichlet energy for the held ones.
#pragma once

#include <vector>

#include "heightfield/model.h"
#include "heightfield/newton_system.h"

namespace membrane {

// The model's start heights with every free node's height replaced by the discrete
// harmonic extension of the held heights (P1 Laplace problem on the plan mesh, held nodes
// as its boundary values), solved on the run's own system. Anything but Ok: `heights` is
// not to be used.
SolveStatus HarmonicStartHeights(const Model& model, NewtonSystem& system,
                                 std::vector<double>& heights);

}  // namespace membrane
