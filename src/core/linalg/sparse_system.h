// A symmetric sparse linear system K X = B that knows no problem: its pattern comes from
// the elements' index lists (sparse_pattern.h), its values are filled by adding element
// blocks in a fixed order, and it is solved by one of three back-ends behind this one
// interface (sparse_system_factory.h):
//
//   - the built-in sparse elimination (small systems; the classic program's results to
//     the bit),
//   - sparse Cholesky, SuiteSparse's CHOLMOD (analyse once, factorize per set of values),
//   - conjugate gradients preconditioned with one V-cycle of hypre's BoomerAMG (the
//     largest systems; the hierarchy is set up once and kept while it serves).
//
// The verbs follow the symbolic and numeric phases of sparse direct solvers (as Eigen's
// analyzePattern / factorize / solve): fill, Factorize, Solve. A failure is a status the
// caller reads, never an exception; a cancel flag set by another thread ends a factorization
// or solve between its phases with Cancelled.
//
// Unknowns taken out of the system by the client (held nodes) are given to AddLocal as
// negative indices: their rows and columns are left out. An unknown may instead be pinned
// by a stiff diagonal (SetDiagonal), as the height field's classic iteration does.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <vector>

#include "linalg/solve_status.h"
#include "linalg/sparse_pattern.h"

namespace membrane {

// How the solves of a system went: numeric factorizations, solves by conjugate gradients
// on an earlier factor (with their iterations), and for multigrid the hierarchies set up,
// the solves on an earlier hierarchy and the conjugate gradient iterations of all solves.
struct SolveCounts {
    int factorizations = 0;
    int reusedFactorSolves = 0;
    int conjugateGradientIterations = 0;
    int multigridSetups = 0;
    int multigridReuses = 0;
};

// What the client may tell a back-end beyond the pattern.
struct SystemOptions {
    // Set by another thread to stop a factorization or solve that goes on.
    const std::atomic<bool>* cancel = nullptr;
    // Keep the factor (sparse Cholesky) or hierarchy (multigrid) of an earlier set of
    // values while the system's diagonal has moved by at most this much relative to it:
    // the solves then run conjugate gradients preconditioned by the old factor, and
    // factorize anew only where those do not reach the solution in a few iterations.
    // 0: a new factor for every set of values. The multigrid solver always keeps its
    // hierarchy within this limit (its own default when 0).
    double reuseLimit = 0.0;
    // A fill-reducing ordering of the unknowns for sparse Cholesky (a permutation, or
    // empty), asked for when the first factorization needs it: it may wait on a thread
    // that worked it out beside the loading. Without one the factorization orders the
    // unknowns itself (nested dissection).
    std::function<std::vector<std::int32_t>()> ordering;
    // The unknowns' numbers as the problem numbers them (distinct; the nodes' own numbers),
    // or empty for their indices. The built-in elimination keys its rows by them, orders
    // them by entry count with ties by descending number and picks its pivots in that
    // order, so its results to the last bit depend on them.
    std::vector<std::int32_t> numbers;
    // The unknowns tied to something outside the system (a held neighbour), one flag each.
    // Where given, a part of the system's graph with none of them and no pinned diagonal
    // is reported singular (RowDependence) before any factorization: conjugate gradients
    // would not notice, and a direct factorization may not either where round-off leaves
    // a tiny pivot. The multigrid solver always checks, with the pinned diagonals alone
    // where no flags are given.
    std::vector<char> grounded;
};

// How exactly a solve is wanted. Direct solves are exact whatever is asked.
struct SolveOptions {
    // Relative energy-norm error of an iterative solve, |x - x*|_K / |x*|_K.
    double tolerance = 1e-10;
    // Go on from the last solution (a looser solve left it) towards the new tolerance
    // instead of starting from zero.
    bool refine = false;
};

class SparseSystem {
  public:
    virtual ~SparseSystem() = default;
    SparseSystem(const SparseSystem&) = delete;
    SparseSystem& operator=(const SparseSystem&) = delete;

    const SparsePattern& Pattern() const { return *pattern_; }
    std::int32_t Size() const { return pattern_->Size(); }
    // Whether solves are iterative (their tolerance matters).
    virtual bool Iterative() const { return false; }

    // --- filling: Zero, then AddLocal element by element, then SetDiagonal
    // Every value and right-hand side to zero; the pattern, the factor and the number of
    // right-hand sides are kept.
    void Zero();
    // Adds the element matrix ke (n x n, row after row, n = unknowns.size()) into K and
    // fe (n values, or empty) into the first right-hand side. The terms must lie in the
    // pattern; negative unknowns are left out.
    void AddLocal(std::span<const std::int32_t> unknowns, std::span<const double> ke,
                  std::span<const double> fe = {});
    // Replaces a diagonal entry (a pinned unknown: its stiff diagonal is left out of the
    // measure of how far the values have moved from the factorized ones).
    void SetDiagonal(std::int32_t unknown, double value);
    // The right-hand sides, `columns` of Size() values each (default 1); setting the count
    // zeroes them.
    void SetColumns(int columns);
    int Columns() const { return columns_; }
    std::span<double> RightHandSide(int column = 0);
    std::span<const double> RightHandSide(int column = 0) const;

    // --- solving
    // Orders the unknowns and analyses the pattern at the first call, then factorizes
    // the values (or keeps an earlier factor, SystemOptions::reuseLimit). RowDependence
    // when the matrix is singular or, for sparse Cholesky, not positive definite.
    virtual SolveStatus Factorize() = 0;
    // Solves for every right-hand side; the solutions in Solution(column).
    virtual SolveStatus Solve(const SolveOptions& options = {}) = 0;
    std::span<const double> Solution(int column = 0) const;

    // The matrix entry (either order; 0 where the pattern has none) and K p, from the
    // values as filled. For checks, and for iterations on the system.
    virtual double Entry(std::int32_t row, std::int32_t column) const = 0;
    virtual void Multiply(std::span<const double> p, std::span<double> q) const = 0;

    SolveCounts Counts() const { return counts_; }

  protected:
    SparseSystem(std::shared_ptr<const SparsePattern> pattern, SystemOptions options);

    // The back-end's part of AddLocal and SetDiagonal on its own storage.
    virtual void AddMatrix(std::span<const std::int32_t> unknowns, std::span<const double> ke) = 0;
    virtual void ReplaceDiagonal(std::int32_t unknown, double value) = 0;
    virtual void ZeroMatrix() = 0;

    bool Cancelled() const {
        return options_.cancel && options_.cancel->load(std::memory_order_relaxed);
    }
    const SystemOptions& Options() const { return options_; }
    std::span<double> SolutionStorage(int column);
    std::vector<double>& AllSolutions() { return solution_; }
    std::vector<double>& AllRightHandSides() { return rhs_; }
    // Whether a part of the system floats (SystemOptions::grounded); worked out once, at the
    // first call, from the flags and the pinned diagonals of that moment.
    bool Floating();
    // Whether an unknown's diagonal was pinned by SetDiagonal.
    const std::vector<char>& Pinned() const { return pinned_; }
    // Whether AddLocal ever added a nonzero term to an unknown's first right-hand side
    // since Zero (the elimination keeps a row for it even where the terms cancel).
    const std::vector<char>& RightHandSideTouched() const { return touched_; }
    SolveCounts counts_;

  private:
    std::shared_ptr<const SparsePattern> pattern_;
    SystemOptions options_;
    int columns_ = 1;
    std::vector<double> rhs_;
    std::vector<double> solution_;
    std::vector<char> pinned_;
    std::vector<char> touched_;
    int floating_ = -1;  // unknown, no, yes
};

}  // namespace membrane
