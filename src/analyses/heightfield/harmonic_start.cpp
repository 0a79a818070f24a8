#include "heightfield/harmonic_start.h"

#include <cmath>

namespace membrane {

// The Dirichlet energy is the second-order part of the area at a flat membrane, so the
// harmonic extension is the first Newton step from a flat membrane whose held heights are
// scaled by 2^-60: the slopes are then so small that S = 1 + a^2 + b^2 rounds to 1, the
// Hessian is exactly the Laplace matrix and the right-hand side exactly the scaled Laplace
// load. Scaled back by 2^60 (powers of two scale exactly) the step is the extension, solved
// by the run's own solver with its own pattern.
SolveStatus HarmonicStartHeights(const Model& model, LinearSolver& solver,
                                 std::vector<double>& heights) {
    constexpr int kFlatExponent = 60;
    std::vector<char> held(model.startHeights.size(), 0);
    for (const auto& entry : model.constraints.Entries())
        if (const auto index = model.nodes.IndexOf(entry.value); index >= 0) held[index] = 1;

    heights = model.startHeights;
    std::vector<double> flat(heights.size(), 0.0);
    for (std::size_t k = 0; k < flat.size(); ++k)
        if (held[k]) flat[k] = std::ldexp(heights[k], -kFlatExponent);
    solver.Assemble(flat);
    const SolveStatus status = solver.Solve();
    if (status != SolveStatus::Ok) return status;
    std::vector<double> step(heights.size());
    solver.Increments(step);
    for (std::size_t k = 0; k < heights.size(); ++k)
        if (!held[k]) heights[k] = std::ldexp(step[k], kFlatExponent);
    return SolveStatus::Ok;
}

}  // namespace membrane
