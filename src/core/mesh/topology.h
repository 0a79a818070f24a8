// The topology of a triangle mesh, written once for every analysis: its edges and which
// triangles use them, its boundary, its connected parts and the orientation of its
// triangles. Free functions over plain data (corner indices into any table of points), as
// the mesh of a form model, of a load analysis or of a cutting pattern gives them.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

namespace membrane {

using Triangle = std::array<std::int32_t, 3>;

// Every distinct side of the triangles once (ends ascending), in the order first met, and
// for each triangle which edge its side k is (the side opposite corner k).
struct EdgeTable {
    std::vector<std::array<std::int32_t, 2>> ends;
    std::vector<std::array<std::int32_t, 3>> ofTriangle;
    std::vector<std::int32_t> uses;  // per edge: how many triangle sides lie on it
};
EdgeTable BuildEdges(std::span<const Triangle> triangles);

// Per node (of `nodes`): whether it lies on an edge that one triangle alone uses.
std::vector<char> BoundaryNodes(const EdgeTable& edges, std::size_t nodes);

// Per triangle: the number of its connected part (parts joined across edges), 0, 1, ...
// in the order the parts are first met; `parts` gets their count.
std::vector<std::int32_t> TriangleParts(std::span<const Triangle> triangles, const EdgeTable& edges,
                                        std::int32_t& parts);

// The pairs of neighbouring triangles whose common edge both run the same way, i.e. whose
// normals (by the right-hand rule of their corner order) disagree: (a, b) with a < b.
std::vector<std::array<std::int32_t, 2>> OrientationConflicts(std::span<const Triangle> triangles,
                                                              const EdgeTable& edges);

// Turns triangles over (swapping two corners) so that each part's triangles agree with
// the part's first triangle, across every edge two triangles share. False when a part
// cannot be oriented (a Moebius band, or an edge of three or more triangles whose turns
// disagree); the triangles are then as far turned as the walk went. The edge table's
// ofTriangle no longer matches the turned triangles' corner order: build it again.
bool OrientConsistently(std::span<Triangle> triangles, const EdgeTable& edges);

}  // namespace membrane
