// The program's own direct solver: sparse elimination of the Newton system, kept in two
// SparseMatrix objects.
#pragma once

#include <atomic>
#include <cstddef>
#include <memory>

#include "linalg/solve_status.h"
#include "linalg/sparse_matrix.h"

namespace membrane {

// Solves A x = B in place by sparse elimination. Rows are eliminated in ascending order of
// their entry count (ties: descending key), each with its largest entry as pivot; entries
// that become exactly 0 are dropped. On return B holds x: GetEntry(B, p, 1) = x(p). A is
// used up. A failure empties both matrices and is returned.
SolveStatus Solve(SparseMatrix& system, SparseMatrix& rightHandSide);

// The elimination's work arrays, kept from one solve to the next so that the Newton steps
// of a run reuse their memory instead of allocating it again.
class EliminationWorkspace {
  public:
    EliminationWorkspace();
    ~EliminationWorkspace();
    EliminationWorkspace(const EliminationWorkspace&) = delete;
    EliminationWorkspace& operator=(const EliminationWorkspace&) = delete;

  private:
    friend SolveStatus Solve(SparseMatrix&, SparseMatrix&, const struct EliminationOptions&);
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// How the elimination may store its work. The results do not depend on it.
struct EliminationOptions {
    // Memory for rows of the front held as dense vectors; 0 keeps every row as a list of
    // cells.
    std::size_t denseFrontBytes = std::size_t{1} << 30;
    // Work arrays to reuse; none: the solve allocates its own.
    EliminationWorkspace* workspace = nullptr;
    // How many entries the rows may hold beyond the assembled ones before the elimination
    // gives up with TooLarge; 0: about as many as a third of the computer's memory holds.
    // The fill of a large mesh grows with the square of its size and would otherwise take
    // all the memory there is.
    std::size_t entryLimit = 0;
    // Set by another thread to stop the solve: looked at between pivots, the solve then
    // ends with Cancelled (and empties both matrices, as any failure).
    const std::atomic<bool>* cancel = nullptr;
};
SolveStatus Solve(SparseMatrix& system, SparseMatrix& rightHandSide,
                  const EliminationOptions& options);

}  // namespace membrane
