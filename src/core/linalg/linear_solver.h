// The Newton system of one step, K du = r, and its solution: what the Newton driver asks
// of a solver, whichever it is. K is the Hessian of the lifted area and r minus its
// gradient (assembly.h), with the held nodes pinned; du is one increment per node.
#pragma once

#include <atomic>
#include <span>

#include "linalg/solve_status.h"

namespace membrane {

// How the solves of a run went: the numeric factorizations made, and the Newton systems
// solved instead by conjugate gradients on an earlier factor (with their iterations); for
// the multigrid solver, the hierarchies set up, the steps solved on an earlier step's
// hierarchy, and the conjugate gradient iterations of all steps.
struct SolveCounts {
    int factorizations = 0;
    int reusedFactorSolves = 0;
    int conjugateGradientIterations = 0;
    int multigridSetups = 0;
    int multigridReuses = 0;
};

class LinearSolver {
  public:
    virtual ~LinearSolver() = default;
    // Assembles the system at `heights` (one per node of the model, node table order).
    virtual void Assemble(std::span<const double> heights) = 0;
    // Solves the assembled system. Anything but Ok: the increments are not to be used.
    virtual SolveStatus Solve() = 0;
    // The increments of the last solve, one per node of the model (0 for a node that is in
    // no element and not held).
    virtual void Increments(std::span<double> increments) const = 0;

    // What the solves so far took; all zero for a solver that factorizes every system.
    virtual SolveCounts Counts() const { return {}; }

    // A flag that another thread may set to stop a solve that goes on: Solve then returns
    // Cancelled within a moment. Null (the default): every solve runs to its end.
    void SetCancelFlag(const std::atomic<bool>* flag) { cancel_ = flag; }

  protected:
    bool CancelSet() const { return cancel_ && cancel_->load(std::memory_order_relaxed); }
    const std::atomic<bool>* CancelFlag() const { return cancel_; }

  private:
    const std::atomic<bool>* cancel_ = nullptr;
};

}  // namespace membrane
