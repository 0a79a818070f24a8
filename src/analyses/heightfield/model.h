// A membrane model as read from its model file: the plan mesh, the held nodes and the
// start heights, with what follows from them (boundary, bars, flat area). After loading
// it does not change: a run, its writers and every window that shows it share it as a
// std::shared_ptr<const Model>.
#pragma once

#include <string>
#include <vector>

#include "heightfield/boundary.h"
#include "heightfield/element_table.h"
#include "heightfield/node_table.h"
#include "heightfield/value_lists.h"

namespace membrane {

struct Model {
    std::string fileName;  // the model file, as the user named it

    NodeTable nodes;                                      // "&COORDINATES"
    RealList initial{KeyColumn::Explicit, "&INITIAL"};    // node number, height
    IntList constraints{KeyColumn::Implicit, "&CONSTR"};  // held node numbers
    ElementTable elements;                                // "&ELEMENTS", the triangles

    // Whether every table has records: only then are the following worked out, and only
    // then can the model run (after the model check).
    bool complete = false;
    // Per node (node table order): its "&INITIAL" height, 0 without one. The fixed height
    // of a held node, the start of a free one.
    std::vector<double> startHeights;
    Boundary boundary;
    ElementTable bars;      // every distinct triangle side once
    double flatArea = 0.0;  // area of the triangles in the plan
};

}  // namespace membrane
