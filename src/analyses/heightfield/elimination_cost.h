// What the built-in elimination will cost on a model, worked out from the mesh alone,
// before any number of the Newton system is computed.
//
// The elimination (elimination.h) takes the rows in a fixed order: ascending entry count,
// ties by descending node number. The pattern of the Newton system is the node graph (a
// node and every node it shares a triangle with) plus the held nodes' diagonals, so the
// fill that order makes is the fill of a symmetric factorization under that permutation.
// It is counted symbolically, as sparse Cholesky codes do (Liu's elimination tree, then
// the row subtrees of the tree, e.g. T. A. Davis, Direct Methods for Sparse Linear
// Systems, SIAM 2006, ch. 4): the column of L below pivot k has c(k) entries, and the
// pivot updates c(k) rows of c(k) entries, so one solve takes about sum c(k)^2
// multiply-adds and keeps sum c(k) entries. The count assumes diagonal pivots; the
// elimination takes the largest entry of a row, which on this diagonally dominated system
// is the diagonal nearly always.
#pragma once

#include <cstdint>
#include <vector>

#include "heightfield/model.h"

namespace membrane {

struct EliminationCost {
    double multiplyAdds = 0.0;   // per solve: sum of c(k)^2 over the pivots
    double factorEntries = 0.0;  // entries kept beyond the diagonal: sum of c(k)
    // The count stopped once the multiply-adds passed the limit it was given: the two
    // figures are then the part counted so far, already above the limit.
    bool overLimit = false;
};

// The node numbers in the order in which the elimination takes their rows.
std::vector<std::int32_t> EliminationRowOrder(const Model& model);

// Counts until the multiply-adds pass `limit` (then stops: the time is bounded by the
// limit, whatever the model's size). The model must be complete.
EliminationCost PredictEliminationCost(const Model& model, double limit);

}  // namespace membrane
