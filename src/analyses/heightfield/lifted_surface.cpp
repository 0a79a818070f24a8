#include "heightfield/lifted_surface.h"

#include <array>
#include <cmath>
#include <cstdint>
#include <utility>

namespace membrane {

LiftedSurface LiftSurface(const Model& model, std::span<const double> z) {
    LiftedSurface surface;
    const auto& nodes = model.nodes.Nodes();
    surface.mesh.points.reserve(nodes.size());
    for (std::size_t i = 0; i < nodes.size(); ++i)
        surface.mesh.points.push_back({nodes[i].x, nodes[i].y, z[i]});
    surface.normals.assign(nodes.size(), SurfacePoint{0, 0, 0});
    surface.held.assign(nodes.size(), false);
    for (const auto& entry : model.constraints.Entries())
        if (const std::int32_t i = model.nodes.IndexOf(entry.value); i >= 0) surface.held[i] = true;

    surface.mesh.triangles.reserve(model.elements.Elements().size());
    const auto& p = surface.mesh.points;
    for (const ElementEntry& element : model.elements.Elements()) {
        const auto corners = model.elements.NodesOf(element);
        if (corners.size() != 3) continue;
        std::array<std::uint32_t, 3> t;
        bool known = true;
        for (int k = 0; k < 3; ++k) {
            const std::int32_t i = model.nodes.IndexOf(corners[k]);
            known = known && i >= 0;
            t[k] = static_cast<std::uint32_t>(i);
        }
        if (!known) continue;
        const SurfacePoint &a = p[t[0]], &b = p[t[1]], &c = p[t[2]];
        if ((b.x - a.x) * (c.y - a.y) - (c.x - a.x) * (b.y - a.y) < 0) std::swap(t[1], t[2]);
        // The cross product of two sides: twice the area along the triangle's normal, so
        // that the sum over a node's triangles weights each by its area.
        const SurfacePoint &u = p[t[0]], &v = p[t[1]], &w = p[t[2]];
        const double e1[3] = {v.x - u.x, v.y - u.y, v.z - u.z};
        const double e2[3] = {w.x - u.x, w.y - u.y, w.z - u.z};
        const SurfacePoint n{e1[1] * e2[2] - e1[2] * e2[1], e1[2] * e2[0] - e1[0] * e2[2],
                             e1[0] * e2[1] - e1[1] * e2[0]};
        for (std::uint32_t i : t) {
            surface.normals[i].x += n.x;
            surface.normals[i].y += n.y;
            surface.normals[i].z += n.z;
        }
        surface.mesh.triangles.push_back(t);
    }
    for (SurfacePoint& n : surface.normals) {
        const double length = std::hypot(n.x, n.y, n.z);
        n = length > 0 ? SurfacePoint{n.x / length, n.y / length, n.z / length}
                       : SurfacePoint{0, 0, 1};
    }
    return surface;
}

}  // namespace membrane
