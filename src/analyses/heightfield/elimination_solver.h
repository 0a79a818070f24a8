// The built-in elimination behind the solver interface: it assembles the Newton system
// into two sparse matrices keyed by node numbers, element by element in ascending
// element number, and solves it by sparse elimination (elimination.h).
#pragma once

#include <cstdint>
#include <vector>

#include "heightfield/model.h"
#include "linalg/elimination.h"
#include "linalg/linear_solver.h"

namespace membrane {

class EliminationSolver final : public LinearSolver {
  public:
    // `model` must outlive the solver.
    explicit EliminationSolver(const Model& model);

    void Assemble(std::span<const double> heights) override;
    SolveStatus Solve() override;
    void Increments(std::span<double> increments) const override;

    // The assembled system (used up by Solve).
    const SparseMatrix& System() const { return system_; }

  private:
    const Model& model_;
    std::vector<std::int32_t> order_;  // element numbers, ascending
    SparseMatrix system_;
    SparseMatrix rightHandSide_;      // column 1; the solution after Solve
    EliminationWorkspace workspace_;  // memory for every Newton step of the run
};

}  // namespace membrane
