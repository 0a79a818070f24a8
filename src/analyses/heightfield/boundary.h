// The boundary of the mesh: a triangle side that belongs to one triangle only (more
// exactly, a side met an odd number of times) is a boundary side.
#pragma once

#include <cstdint>
#include <vector>

#include "heightfield/element_table.h"

namespace membrane {

struct BoundarySide {
    std::int32_t first;   // the smaller node number
    std::int32_t second;  // the larger one
};

struct Boundary {
    // The sides are paired off in file order: a side met before is taken out of the list,
    // any other joins it at the end. What stays, in that order.
    std::vector<BoundarySide> sides;
    // Every node of a boundary side once, ascending.
    std::vector<std::int32_t> nodes;
};

// The sides of every element are node i to node i + 1, the last to the first.
Boundary FindBoundary(const ElementTable& elements);

}  // namespace membrane
