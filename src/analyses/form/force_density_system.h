// The linear equilibrium of a network of bars with given force densities (the force
// density method, Schek 1974): every free node i balances
//
//   sum over its bars b = (i, j) of q_b (x_j - x_i) + f_i = 0,
//
// so the free positions solve K X = F with K the network's weighted Laplacian over the free
// nodes (K_ii = sum q_b, K_ij = -q_b) and F = f plus q_b x_j for every bar to a held node.
// K is the same for x, y and z: one factorization, three right-hand sides. With positive
// densities (or the cotangent weights of a triangle mesh, whose Laplacian is positive
// semi-definite) and a held node in every part, K is positive definite.
//
// A client of the sparse system (linalg/sparse_system.h): the free nodes are its unknowns
// (ascending node index), each bar an element of two, its held ends left out; any of the
// back-ends solves it.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "common/vec3.h"
#include "linalg/solver_choice.h"
#include "linalg/sparse_system.h"

namespace membrane {

class ForceDensitySystem {
  public:
    // `held` per node; a node in no bar is left where it is. `choice` may be Auto (resolved
    // on the network's pattern). `accuracy` (m): with an iterative back-end, the
    // equilibria whose change of the positions is far larger are solved only to
    // kLooseTolerance of that change, those near it exactly (0: every solve exact). Null,
    // with the status to report in `status`, when the back-end is not available.
    static std::unique_ptr<ForceDensitySystem> Create(
        std::span<const std::array<std::int32_t, 2>> bars, std::span<const char> held,
        SolverChoice choice, const std::atomic<bool>* cancel, SolveStatus& status,
        double accuracy = 0.0);

    // The relative energy-norm error of an inexact solve: each iterate's change is then
    // right to about this share, far below what the iteration's next step corrects.
    static constexpr double kLooseTolerance = 1e-3;
    // Solves whose largest change is within this many accuracies are solved exactly, so
    // that the converged shape is an exact equilibrium of its densities.
    static constexpr double kExactMargin = 10.0;

    // The positions at which the network with densities `q` (one per bar) is in equilibrium
    // with the loads (one per node): the held nodes stay at their place in `x`, the free
    // ones move. `result` may be `x` itself.
    SolveStatus Solve(std::span<const double> q, std::span<const Vec3> loads,
                      std::span<const Vec3> x, std::span<Vec3> result);

    SolverChoice Solver() const { return solver_; }
    SolveCounts Counts() const { return system_ ? system_->Counts() : SolveCounts{}; }
    std::int32_t UnknownCount() const { return static_cast<std::int32_t>(nodeOf_.size()); }

  private:
    ForceDensitySystem(std::span<const std::array<std::int32_t, 2>> bars,
                       std::span<const char> held);
    // Solves the assembled system (for the change of the positions when iterative).
    SolveStatus SolveChange();

    std::vector<std::array<std::int32_t, 2>> bars_;
    std::vector<std::int32_t> unknownOf_;  // per node: its unknown, -1 for held or unused
    std::vector<std::int32_t> nodeOf_;     // per unknown: its node
    SolverChoice solver_ = SolverChoice::Auto;
    double accuracy_ = 0.0;
    std::unique_ptr<SparseSystem> system_;
};

}  // namespace membrane
