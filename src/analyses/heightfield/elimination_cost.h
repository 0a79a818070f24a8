// What the built-in elimination will cost on a model, worked out from the mesh alone,
// before any number of the Newton system is computed.
//
// The count itself is the sparse system's (linalg/elimination_cost.h): the pattern of the
// Newton system is the node graph (a node and every node it shares a triangle with) plus
// the held nodes' diagonals, its rows ordered by ascending entry count, ties by
// descending node number.
#pragma once

#include <cstdint>
#include <vector>

#include "heightfield/model.h"
#include "linalg/elimination_cost.h"

namespace membrane {

// The node numbers in the order in which the elimination takes their rows.
std::vector<std::int32_t> EliminationRowOrder(const Model& model);

// Counts until the multiply-adds pass `limit` (then stops: the time is bounded by the
// limit, whatever the model's size). The model must be complete.
EliminationCost PredictEliminationCost(const Model& model, double limit);

}  // namespace membrane
