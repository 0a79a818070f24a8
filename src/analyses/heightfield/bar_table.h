// The bars of the truss model: every distinct side of the triangles once, as two-node
// elements of type 1 numbered 1, 2, ... in order of first appearance.
#pragma once

#include "heightfield/element_table.h"

namespace membrane {

// The sides of an element, in this order: 1-2, 2-3, and then 1-3 (in that node order) for
// a triangle; in general consecutive nodes up to the third, then the first with each later
// one. A one-node element gives the side (n, n). A side is a new bar unless a bar between
// the same two nodes (in either order) came before; a side from a node to itself is new
// unless a bar touches that node.
ElementTable BuildBarTable(const ElementTable& triangles);

}  // namespace membrane
