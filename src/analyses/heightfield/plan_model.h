// A triangulated surface made into the tables of a model file: its projection on the XY
// plane as the plan mesh, its heights as held and start heights.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "mesh/surface_mesh.h"

namespace membrane {

struct HeldChoice {
    // Groups whose nodes are held besides the boundary (at their surface heights).
    std::vector<std::string> groups;
    // Groups held at a height of their own (held whether named in `groups` or not).
    std::vector<std::pair<std::string, double>> heights;
};

struct PlanModel {
    // Node i has number i + 1; x, y its plan point, z the surface's height there.
    std::vector<SurfacePoint> nodes;
    // Node indices, counter-clockwise in plan.
    std::vector<std::array<std::uint32_t, 3>> triangles;
    std::vector<bool> held;
    // Per node: the fixed height of a held node, the start height of a free one.
    std::vector<double> heights;
    std::size_t mergedPoints = 0;  // points that coincided with an earlier one
};

// Merges points that coincide (within 1e-8 of the surface's size), keeps only points of
// triangles, turns every triangle counter-clockwise in plan and holds the boundary of the
// plan mesh (the sides met once) and the chosen groups. Throws ImportError when there are
// no triangles, a coordinate is not finite, the surface stands upright or passes twice
// over a point of the plan, folds over itself in plan (plan_overlaps.h), or a group is missing or
// empty.
PlanModel MakePlanModel(const SurfaceMesh& surface, const HeldChoice& held);

}  // namespace membrane
