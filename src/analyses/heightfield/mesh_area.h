// Areas of the triangles in space: plan corners (x, y) from the node table, heights z.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "heightfield/element_table.h"
#include "heightfield/node_table.h"

namespace membrane {

// Twice the signed plan area of the triangle (positive counter-clockwise).
inline double TwiceSignedArea(double x1, double y1, double x2, double y2, double x3, double y3) {
    return x2 * y3 - x3 * y2 + x3 * y1 - x1 * y3 + x1 * y2 - x2 * y1;
}

// Area of the triangle of the first three corners, |(P1 - P3) x (P1 - P2)| / 2, each
// corner at its node's x, y and z[index of the node] (0 when `z` is empty); a corner whose
// node is missing sits at the origin.
double ElementArea(const NodeTable& nodes, std::span<const std::int32_t> corners,
                   std::span<const double> z);

// The area of every element, oldest first, and their sum in that order.
struct MeshAreas {
    std::vector<double> elements;
    double total = 0.0;
};
MeshAreas ComputeMeshAreas(const NodeTable& nodes, const ElementTable& elements,
                           std::span<const double> z);

}  // namespace membrane
