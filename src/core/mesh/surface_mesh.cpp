#include "mesh/surface_mesh.h"

namespace membrane {

void SurfaceMesh::AddFace(std::span<const std::uint32_t> c) {
    if (c.size() == 3) {
        triangles.push_back({c[0], c[1], c[2]});
        return;
    }
    if (c.size() != 4) return;
    auto planSquared = [&](std::uint32_t a, std::uint32_t b) {
        const double dx = points[a].x - points[b].x, dy = points[a].y - points[b].y;
        return dx * dx + dy * dy;
    };
    if (planSquared(c[0], c[2]) <= planSquared(c[1], c[3])) {
        triangles.push_back({c[0], c[1], c[2]});
        triangles.push_back({c[0], c[2], c[3]});
    } else {
        triangles.push_back({c[0], c[1], c[3]});
        triangles.push_back({c[1], c[2], c[3]});
    }
}

}  // namespace membrane
