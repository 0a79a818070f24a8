// The node numbers an imported model file gets: chosen so that the built-in elimination
// fills in little when it solves the model's Newton system.
//
// A mesher numbers its nodes in the order it makes them, which the elimination cannot
// use: its cost depends on the numbering. The elimination takes the rows in ascending
// order of their entry count (a node's neighbours plus one), ties by descending node
// number, so only the order within each count is free. That order is taken from a
// constrained approximate minimum degree ordering of the node graph (CAMD, SuiteSparse:
// P. R. Amestoy, T. A. Davis, I. S. Duff, Algorithm 837: AMD, ACM TOMS 30(3), 2004, with
// the constraint sets of CHOLMOD's CAMD), the constraint set of a node being its place
// among the entry counts: the ordering then is one the elimination follows exactly. On a
// 3600-node Gmsh mesh that is 2e7 multiply-adds a solve, against 1e8 for reverse
// Cuthill-McKee and 2e9 for the mesher's own order.
#pragma once

#include "heightfield/plan_model.h"

namespace membrane {

// Renumbers the nodes of the plan (its node, held and height lists and the triangles'
// corners) into that order. The triangles keep their order.
void NumberForElimination(PlanModel& plan);

}  // namespace membrane
