// The Newton system solved by conjugate gradients preconditioned with algebraic multigrid
// (hypre's BoomerAMG), for large models.
//
// A multigrid-preconditioned Krylov solve of a 2D elliptic system costs O(n) with a small
// constant, needs no fill-reducing ordering and a fraction of a sparse factor's memory:
// at a million nodes the direct factorization is past its limit on a small machine while
// one V-cycle costs about as much as a few products with K.
//
// Inexact Newton (Dembo, Eisenstat & Steihaug, "Inexact Newton methods", SIAM J. Numer.
// Anal. 19, 1982): far from the solution the Newton step need not be solved exactly; the
// relative tolerance of each step, the forcing term, follows the fall of the gradient's
// norm (Eisenstat & Walker, "Choosing the forcing terms in an inexact Newton method",
// SIAM J. Sci. Comput. 17, 1996, choice 2 with gamma = 0.9, alpha = 2 and its safeguard),
// here never looser than 1e-5. A step is solved on to the exact step (energy-norm error
// 1e-10, from where the inexact solve stopped) when its increments come near the run's
// convergence test: within kTightMargin of it, so that the test, which the Newton driver
// makes on the increments as always, decides on exact steps; or near enough that with
// Newton's quadratic convergence (|du_k+1| / L ~ c (|du_k| / L)^2, L the plan's extent,
// c of order 1 to 100 on these meshes) the run may stop within the next few steps, so that
// the last steps the heights take are exact Newton steps from heights where the inexact
// early steps' error has been multiplied away. The converged heights are then those of the
// direct solvers to 1e-9 of the model's extent at every accuracy (bench/README.md has the
// measurements: a margin ten times smaller left 3e-8 at accuracy 1e-3).
//
// The hierarchy is set up for the system of a step and kept for the next steps while the
// system's diagonal has moved by less than 5 % since, as the sparse Cholesky solver keeps
// its factor (a set-up at a million nodes costs as much as about eight iterations); a step
// that the kept hierarchy does not solve is solved again on a new one.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "heightfield/model.h"
#include "linalg/linear_solver.h"

namespace membrane {

class AmgSolver final : public LinearSolver {
  public:
    // Sets what MPI reads from the environment when the solver first starts it; for the
    // programs' main, before any other thread runs. Does not load hypre.
    static void PrepareProcess();

    // Whether hypre can be loaded and started (loads it the first time); `why` tells why
    // not.
    static bool Available(std::string* why = nullptr);

    // Works out the unknowns and the pattern from the model's elements (ascending element
    // number) and held nodes. `accuracy` is the run's: the Newton driver converges when
    // |max du| + |min du| <= 2 accuracy. Null when hypre is not available. `model` must
    // outlive the solver.
    static std::unique_ptr<AmgSolver> Create(const Model& model, double accuracy);
    ~AmgSolver() override;
    AmgSolver(const AmgSolver&) = delete;
    AmgSolver& operator=(const AmgSolver&) = delete;

    void Assemble(std::span<const double> heights) override;
    // RowDependence when a part of the mesh holds no held node (the system is singular,
    // as the direct solvers find); NotConverged when the conjugate gradients do not reach
    // the step (a system that is not positive definite); Cancelled between two
    // iterations when the cancel flag is set.
    SolveStatus Solve() override;
    void Increments(std::span<double> increments) const override;
    SolveCounts Counts() const override;

    // The assembled system entry of two nodes (either order) and the right-hand side entry
    // of a node; 0 where the system has none.
    double SystemEntry(std::int32_t rowNode, std::int32_t columnNode) const;
    double RightHandSide(std::int32_t node) const;
    // Changes an assembled entry (both of a pair off the diagonal): for tests of systems
    // that the assembly does not make. False where the system has no such entry.
    bool SetSystemEntry(std::int32_t rowNode, std::int32_t columnNode, double value);

    // Steps whose increments satisfy |max| + |min| <= kTightMargin * 2 accuracy after the
    // inexact solve are solved on to the exact step.
    static constexpr double kTightMargin = 10.0;
    // ... and so are steps with |max| + |min| <= sqrt(kPredictedMargin * 2 accuracy * L).
    static constexpr double kPredictedMargin = 1000.0;

  private:
    AmgSolver(const Model& model, double accuracy);
    bool Setup();
    // Conjugate gradients on the current hierarchy: Ok, NotConverged or Cancelled.
    SolveStatus SolveOnHierarchy(double forcing);

    struct Impl;
    const Model& model_;
    const double accuracy_;
    std::unique_ptr<Impl> impl_;
};

}  // namespace membrane
