// What the built-in elimination will cost on a system, worked out from its graph alone,
// before any number is computed.
//
// The elimination (elimination.h) takes the rows in a fixed order: ascending entry count,
// ties by descending label (the unknown's number as its problem numbers it). A row's
// entries are its diagonal and one per neighbour in the graph of the matrix, so the fill
// that order makes is the fill of a symmetric factorization under that permutation. It is
// counted symbolically, as sparse Cholesky codes do (Liu's elimination tree, then the row
// subtrees of the tree, e.g. T. A. Davis, Direct Methods for Sparse Linear Systems, SIAM
// 2006, ch. 4): the column of L below pivot k has c(k) entries, and the pivot updates
// c(k) rows of c(k) entries, so one solve takes about sum c(k)^2 multiply-adds and keeps
// sum c(k) entries. The count assumes diagonal pivots; the elimination takes the largest
// entry of a row, which on the diagonally dominated systems it is chosen for is the
// diagonal nearly always.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "linalg/sparse_pattern.h"

namespace membrane {

struct EliminationCost {
    double multiplyAdds = 0.0;   // per solve: sum of c(k)^2 over the pivots
    double factorEntries = 0.0;  // entries kept beyond the diagonal: sum of c(k)
    // The count stopped once the multiply-adds passed the limit it was given: the two
    // figures are then the part counted so far, already above the limit.
    bool overLimit = false;
};

// The vertices that have a row (`hasRow`), in the order in which the elimination takes
// them: ascending degree, ties by descending `label`.
std::vector<std::int32_t> EliminationRowOrder(const SparsePattern::Graph& graph,
                                              std::span<const char> hasRow,
                                              std::span<const std::int32_t> label);

// The work of eliminating the rows in `order` (vertices of `graph`), counted until the
// multiply-adds pass `limit` (then it stops: the time is bounded by the limit, whatever
// the system's size). `edges` is the graph's number of edges: by Cauchy-Schwarz a graph
// with e edges on n vertices needs at least e^2 / n, so one too large needs no count.
EliminationCost CountEliminationWork(const SparsePattern::Graph& graph,
                                     std::span<const std::int32_t> order, double limit);

// The same for a whole pattern, every unknown a row labelled by its number.
EliminationCost PredictEliminationCost(const SparsePattern& pattern, double limit);

}  // namespace membrane
