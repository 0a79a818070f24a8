// Where a computed membrane stands as a near-vertical wall: the sign that the shape asked
// for does not exist as a membrane over the plan.
//
// A minimal surface over a plan is a graph z(x, y). Its slope can grow without bound
// towards a held curve only where no graph reaches the held heights: over an annulus, a
// catenoid-like surface climbs a mast ring of radius r only up to about
// r acosh(R / r) (R the outer radius), and there meets the ring vertically. Asked for more,
// the discrete membrane settles below the ring and joins it by one band of triangles that
// stands ever steeper as the mesh is refined or the ring raised (88-90 degrees). Where
// the held heights themselves rise steeply (a mast tip held on a convex border), a graph
// exists (Rado's theorem) and the steepness is the one asked for.
//
// So a triangle counts as a wall when the slope that the computed heights give it is
// steeper than 80 degrees (rise over run above 5.67, its area more than 5.8 times its plan
// area). That slope is the whole slope of the triangle when at most one corner is held;
// with a held side it is the slope across that side (the slope along it is given); with
// three held corners there is none. A catenoid near its limit stays below 80 degrees at
// the usual mesh sizes (at 1.7 m, just below its limit, the cone of tests/data/cone stands
// at 78 degrees at most), while the bands of shapes that do not exist stand at 80-90.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "heightfield/model.h"

namespace membrane {

constexpr double kWallSlopeDegrees = 80.0;

struct SteepWalls {
    // The wall triangles: positions in the element table (file order).
    std::vector<std::int32_t> elements;
    // The held nodes at their corners, by number, ascending.
    std::vector<std::int32_t> heldNodes;
    double area = 0.0;      // their lifted area
    double steepest = 0.0;  // the steepest computed slope among them, in degrees
    bool Empty() const { return elements.empty(); }
};

// The walls of the membrane with its nodes at `z` (one per node, node table order);
// `elementAreas` the lifted area of every element, in table order.
SteepWalls FindSteepWalls(const Model& model, std::span<const double> z,
                          std::span<const double> elementAreas);

}  // namespace membrane
