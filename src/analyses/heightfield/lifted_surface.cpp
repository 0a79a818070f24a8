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
        surface.mesh.triangles.push_back(t);
    }
    SetVertexNormals(surface);
    return surface;
}

}  // namespace membrane
