// The mesh topology every analysis shares: edges and their uses, the boundary, the
// connected parts, and the orientation of the triangles found and mended.
#include <gtest/gtest.h>

#include <vector>

#include "mesh/topology.h"

namespace membrane {
namespace {

// A unit square of two triangles (0 1 2) (0 2 3), and a tetrahedron's closed surface.
const std::vector<Triangle> kSquare{{0, 1, 2}, {0, 2, 3}};
const std::vector<Triangle> kTetrahedron{{0, 2, 1}, {0, 1, 3}, {1, 2, 3}, {0, 3, 2}};

TEST(MeshTopology, EdgesBoundaryAndParts) {
    const EdgeTable square = BuildEdges(kSquare);
    EXPECT_EQ(square.ends.size(), 5u);
    EXPECT_EQ(square.ofTriangle[0][1], square.ofTriangle[1][2]);  // the diagonal 0-2, shared
    EXPECT_EQ(square.uses[square.ofTriangle[0][1]], 2);
    EXPECT_EQ(BoundaryNodes(square, 5), (std::vector<char>{1, 1, 1, 1, 0}));
    EXPECT_EQ(BoundaryNodes(BuildEdges(kTetrahedron), 4), (std::vector<char>{0, 0, 0, 0}));

    std::vector<Triangle> two = kSquare;
    two.push_back({4, 5, 6});  // a second part, touching nothing
    std::int32_t parts = 0;
    EXPECT_EQ(TriangleParts(two, BuildEdges(two), parts), (std::vector<std::int32_t>{0, 0, 1}));
    EXPECT_EQ(parts, 2);
}

// A closed surface with one face turned over is found and turned back; a Moebius band
// cannot be oriented.
TEST(MeshTopology, OrientationConflictsFoundAndMended) {
    EXPECT_TRUE(OrientationConflicts(kTetrahedron, BuildEdges(kTetrahedron)).empty());
    std::vector<Triangle> flipped = kTetrahedron;
    std::swap(flipped[2][1], flipped[2][2]);
    EXPECT_EQ(OrientationConflicts(flipped, BuildEdges(flipped)).size(), 3u);
    EXPECT_TRUE(OrientConsistently(flipped, BuildEdges(flipped)));
    EXPECT_TRUE(OrientationConflicts(flipped, BuildEdges(flipped)).empty());
    EXPECT_EQ(flipped[0], kTetrahedron[0]);  // each part keeps its first triangle's turn

    // A strip of 6 quads (12 triangles) whose ends are glued with a half twist.
    std::vector<Triangle> moebius;
    constexpr int n = 6;
    for (int k = 0; k < n; ++k) {
        const int a = k, b = n + k;  // bottom and top rows
        int c = k + 1, d = n + k + 1;
        if (k + 1 == n) {  // the twist: bottom meets top
            c = n;
            d = 0;
        }
        moebius.push_back({a, c, d});
        moebius.push_back({a, d, b});
    }
    EXPECT_FALSE(OrientConsistently(moebius, BuildEdges(moebius)));
}

}  // namespace
}  // namespace membrane
