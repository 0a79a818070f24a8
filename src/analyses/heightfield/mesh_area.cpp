#include "heightfield/mesh_area.h"

#include <cmath>

namespace membrane {

double ElementArea(const NodeTable& nodes, std::span<const std::int32_t> corners,
                   std::span<const double> z) {
    double p[3][3] = {{0, 0, 0}, {0, 0, 0}, {0, 0, 0}};
    for (std::size_t k = 0; k < corners.size() && k < 3; ++k) {
        const std::int32_t index = nodes.IndexOf(corners[k]);
        if (index < 0) continue;
        const NodeEntry& node = nodes.Nodes()[index];
        p[k][0] = node.x;
        p[k][1] = node.y;
        p[k][2] = z.empty() ? 0.0 : z[index];
    }
    const double x1 = p[0][0], y1 = p[0][1], z1 = p[0][2];
    const double x2 = p[1][0], y2 = p[1][1], z2 = p[1][2];
    const double x3 = p[2][0], y3 = p[2][1], z3 = p[2][2];
    // (P1 - P3) x (P1 - P2)
    const double c1 = (y1 - y3) * (z1 - z2) - (z1 - z3) * (y1 - y2);
    const double c2 = (z1 - z3) * (x1 - x2) - (x1 - x3) * (z1 - z2);
    const double c3 = (x1 - x3) * (y1 - y2) - (y1 - y3) * (x1 - x2);
    return 0.5 * std::sqrt(c1 * c1 + c2 * c2 + c3 * c3);
}

MeshAreas ComputeMeshAreas(const NodeTable& nodes, const ElementTable& elements,
                           std::span<const double> z) {
    MeshAreas areas;
    areas.elements.reserve(elements.Elements().size());
    for (const ElementEntry& element : elements.Elements()) {
        const double area = ElementArea(nodes, elements.NodesOf(element), z);
        areas.elements.push_back(area);
        areas.total += area;
    }
    return areas;
}

}  // namespace membrane
