// A symmetric positive definite sparse system K X = B with several right-hand sides,
// factorized by sparse Cholesky (SuiteSparse CHOLMOD): the pattern is given once, its
// fill-reducing ordering and symbolic factorization are worked out once, and every new set
// of values is factorized numerically and solved. The 3D form-finding solves one such
// system per iteration for the x, y and z of its free nodes at once.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "linalg/solve_status.h"

namespace membrane {

// The upper triangle of a symmetric n x n matrix in compressed columns: the rows of column
// j are rowIndex[columnStart[j] .. columnStart[j + 1]), ascending, the diagonal last.
struct UpperPattern {
    std::int32_t n = 0;
    std::vector<std::int32_t> columnStart;  // n + 1 entries
    std::vector<std::int32_t> rowIndex;
};

class SparseCholesky {
  public:
    // Whether the program was built with CHOLMOD.
    static bool Available();

    explicit SparseCholesky(UpperPattern pattern);
    ~SparseCholesky();
    SparseCholesky(const SparseCholesky&) = delete;
    SparseCholesky& operator=(const SparseCholesky&) = delete;

    const UpperPattern& Pattern() const { return pattern_; }
    // The values in the pattern's order, to be filled before Factorize.
    std::span<double> Values();

    // Orders (once) and factorizes the values. RowDependence when the matrix is not
    // positive definite, Unavailable without CHOLMOD, Cancelled when the flag is set.
    SolveStatus Factorize();
    // Solves K X = B for `columns` right-hand sides stored one after another in `rhs`
    // (n values each); the solution replaces them.
    SolveStatus Solve(std::span<double> rhs, int columns);

    void SetCancelFlag(const std::atomic<bool>* flag) { cancel_ = flag; }
    int Factorizations() const { return factorizations_; }

  private:
    bool Cancelled() const { return cancel_ && cancel_->load(std::memory_order_relaxed); }

    struct Impl;
    UpperPattern pattern_;
    std::unique_ptr<Impl> impl_;
    const std::atomic<bool>* cancel_ = nullptr;
    int factorizations_ = 0;
};

}  // namespace membrane
