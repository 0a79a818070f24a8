// Conjugate gradients preconditioned with algebraic multigrid (hypre's BoomerAMG) behind
// the sparse-system interface, for the largest systems.
//
// A multigrid-preconditioned Krylov solve of a 2D elliptic system costs O(n) with a small
// constant, needs no fill-reducing ordering and a fraction of a sparse factor's memory:
// at a million unknowns the direct factorization is past its limit on a small machine
// while one V-cycle costs about as much as a few products with K.
//
// The values live in hypre's compressed rows (both triangles, the diagonal first in its
// row, where BoomerAMG's smoothers look for it). Factorize sets the hierarchy up, or keeps
// the one of an earlier set of values while the system's diagonal has moved by less than
// the reuse limit (5 % unless the client says otherwise: a set-up at a million unknowns
// costs as much as about eight iterations); a solve that the kept hierarchy does not
// bring to its tolerance is solved again on a new one. A system with a part that holds
// no pinned or grounded unknown is singular: RowDependence, as the direct solvers find.
#pragma once

#include <memory>
#include <string>

#include "linalg/sparse_system.h"

namespace membrane {

class AmgSystem final : public SparseSystem {
  public:
    // Sets what MPI reads from the environment when the solver first starts it; for the
    // programs' main, before any other thread runs. Does not load hypre.
    static void PrepareProcess();
    // Whether hypre can be loaded and started (loads it the first time); `why` tells why
    // not.
    static bool Available(std::string* why = nullptr);

    // Null when hypre is not available or cannot hold the pattern.
    static std::unique_ptr<AmgSystem> Create(std::shared_ptr<const SparsePattern> pattern,
                                             SystemOptions options);
    ~AmgSystem() override;

    bool Iterative() const override { return true; }
    SolveStatus Factorize() override;
    // NotConverged when conjugate gradients do not reach the tolerance on a new hierarchy
    // (a system that is not positive definite); Cancelled between two iterations.
    SolveStatus Solve(const SolveOptions& options = {}) override;
    double Entry(std::int32_t row, std::int32_t column) const override;
    void Multiply(std::span<const double> p, std::span<double> q) const override;

    // Changes an entry (both of a pair off the diagonal): for tests of systems that an
    // assembly does not make. False where the pattern has no such entry.
    bool SetEntry(std::int32_t row, std::int32_t column, double value);

  private:
    AmgSystem(std::shared_ptr<const SparsePattern> pattern, SystemOptions options);
    bool Setup();
    void AddMatrix(std::span<const std::int32_t> unknowns, std::span<const double> ke) override;
    void ReplaceDiagonal(std::int32_t unknown, double value) override;
    void ZeroMatrix() override;
    SolveStatus SolveOnHierarchy(const SolveOptions& options);

    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace membrane
