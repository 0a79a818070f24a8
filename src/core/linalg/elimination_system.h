// The built-in sparse elimination behind the sparse-system interface (elimination.h): the
// matrix is kept as a SparseMatrix keyed by unknown, filled entry by entry in the order
// the elements add their terms (the order shows in the elimination's pivot choices and so
// in the last bits of the results), and every solve eliminates a copy of it together with
// one right-hand side. No factor is kept: each right-hand side costs a whole elimination,
// which is what the small systems the elimination is chosen for can afford.
#pragma once

#include <memory>

#include "linalg/elimination.h"
#include "linalg/sparse_system.h"

namespace membrane {

class EliminationSystem final : public SparseSystem {
  public:
    EliminationSystem(std::shared_ptr<const SparsePattern> pattern, SystemOptions options);

    SolveStatus Factorize() override;
    SolveStatus Solve(const SolveOptions& options = {}) override;
    double Entry(std::int32_t row, std::int32_t column) const override;
    void Multiply(std::span<const double> p, std::span<double> q) const override;

    // The matrix as filled, keyed by unknown (for checks of the assembly). The elimination
    // uses it up: after a solve it is empty (Entry answers 0) until the next fill.
    const SparseMatrix& Matrix() const { return matrix_; }

  private:
    void AddMatrix(std::span<const std::int32_t> unknowns, std::span<const double> ke) override;
    void ReplaceDiagonal(std::int32_t unknown, double value) override;
    void ZeroMatrix() override { matrix_.Clear(); }
    // The key of an unknown's row and column (SystemOptions::numbers).
    std::int32_t Key(std::int32_t unknown) const;

    SparseMatrix matrix_;
    EliminationWorkspace workspace_;  // memory for every solve of the system
};

}  // namespace membrane
