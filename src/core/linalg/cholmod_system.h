// Sparse Cholesky (SuiteSparse CHOLMOD, supernodal) behind the sparse-system interface.
//
// The values live in the upper triangle in compressed columns, the form CHOLMOD permutes
// for the factorization in one pass. The fill-reducing ordering (the client's, or nested
// dissection by METIS, which gives the least fill on a 2D mesh; CHOLMOD's default choice
// where METIS is missing) and the symbolic factorization are worked out once, at the
// first factorization; every new set of values is factorized numerically.
//
// Near the solution of a nonlinear iteration the matrix changes little from one step to
// the next, so the factor of an earlier step is a preconditioner good enough for
// conjugate gradients to reach the exact solution in a few iterations, each a pair of
// triangular solves and a product with K: far less than a new factorization. Where the
// client allows it (SystemOptions::reuseLimit), a factorization whose diagonal has moved
// little keeps the old factor, and the solve factorizes after all when the iterations
// would take too many (the rate of the first ones tells).
//
// A matrix that is not positive definite gives RowDependence: CHOLMOD's LL' stops at the
// first pivot that is not positive (it does not fall back to LDL' for an indefinite
// matrix), and its `minor` tells where.
#pragma once

#include <memory>

#include "linalg/sparse_system.h"

namespace membrane {

class CholmodSystem final : public SparseSystem {
  public:
    // Whether the program was built with CHOLMOD.
    static bool Available();
    // Null when CHOLMOD is not available or cannot hold the pattern.
    static std::unique_ptr<CholmodSystem> Create(std::shared_ptr<const SparsePattern> pattern,
                                                 SystemOptions options);
    ~CholmodSystem() override;

    SolveStatus Factorize() override;
    SolveStatus Solve(const SolveOptions& options = {}) override;
    double Entry(std::int32_t row, std::int32_t column) const override;
    void Multiply(std::span<const double> p, std::span<double> q) const override;

    // The ordering and the symbolic factorization, once; Factorize does it itself when it
    // has not been done. False when the factorization cannot be prepared.
    bool Analyze();
    // The entries of the Cholesky factor the ordering gives (after Analyze).
    double FactorEntries() const;

  private:
    CholmodSystem(std::shared_ptr<const SparsePattern> pattern, SystemOptions options);
    bool Allocate();
    void AddMatrix(std::span<const std::int32_t> unknowns, std::span<const double> ke) override;
    void ReplaceDiagonal(std::int32_t unknown, double value) override;
    void ZeroMatrix() override;
    SolveStatus FactorizeNow();
    SolveStatus SolveDirect();
    bool SolveOnEarlierFactor();

    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace membrane
