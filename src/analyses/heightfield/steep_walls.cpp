#include "heightfield/steep_walls.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace membrane {
namespace {

struct Corner {
    double x, y, z;
    bool held;
};

// The slope (rise over run) that the computed heights give the triangle: the gradient
// (a, b) of its plane, less the part along a side whose two corners are held.
double ComputedSlope(const Corner (&c)[3]) {
    const double d = (c[1].x - c[0].x) * (c[2].y - c[0].y) - (c[2].x - c[0].x) * (c[1].y - c[0].y);
    if (d == 0.0) return 0.0;
    const double a =
        ((c[1].z - c[0].z) * (c[2].y - c[0].y) - (c[2].z - c[0].z) * (c[1].y - c[0].y)) / d;
    const double b =
        ((c[2].z - c[0].z) * (c[1].x - c[0].x) - (c[1].z - c[0].z) * (c[2].x - c[0].x)) / d;
    const int held = c[0].held + c[1].held + c[2].held;
    if (held == 3) return 0.0;
    if (held < 2) return std::hypot(a, b);
    const int free = !c[0].held ? 0 : !c[1].held ? 1 : 2;
    const Corner& p = c[(free + 1) % 3];
    const Corner& q = c[(free + 2) % 3];
    const double length = std::hypot(q.x - p.x, q.y - p.y);
    if (length == 0.0) return std::hypot(a, b);
    const double tx = (q.x - p.x) / length, ty = (q.y - p.y) / length;
    return std::fabs(a * ty - b * tx);  // the gradient across the held side
}

}  // namespace

SteepWalls FindSteepWalls(const Model& model, std::span<const double> z,
                          std::span<const double> elementAreas) {
    SteepWalls walls;
    const std::size_t n = static_cast<std::size_t>(model.nodes.Count());
    if (z.size() < n) return walls;
    std::vector<char> held(n, 0);
    for (const auto& entry : model.constraints.Entries())
        if (const std::int32_t index = model.nodes.IndexOf(entry.value); index >= 0)
            held[index] = 1;
    const double limit = std::tan(kWallSlopeDegrees * std::numbers::pi / 180.0);
    const auto& elements = model.elements.Elements();
    const auto& nodes = model.nodes.Nodes();
    double steepest = 0.0;
    for (std::size_t e = 0; e < elements.size(); ++e) {
        const auto corners = model.elements.NodesOf(elements[e]);
        if (corners.size() < 3) continue;
        Corner c[3];
        bool complete = true;
        for (int k = 0; k < 3; ++k) {
            const std::int32_t index = model.nodes.IndexOf(corners[k]);
            if (index < 0) {
                complete = false;
                break;
            }
            c[k] = {nodes[index].x, nodes[index].y, z[index], held[index] != 0};
        }
        if (!complete) continue;
        const double slope = ComputedSlope(c);
        if (!(slope > limit)) continue;
        walls.elements.push_back(static_cast<std::int32_t>(e));
        if (e < elementAreas.size()) walls.area += elementAreas[e];
        steepest = std::max(steepest, slope);
        for (int k = 0; k < 3; ++k)
            if (c[k].held) walls.heldNodes.push_back(corners[k]);
    }
    std::sort(walls.heldNodes.begin(), walls.heldNodes.end());
    walls.heldNodes.erase(std::unique(walls.heldNodes.begin(), walls.heldNodes.end()),
                          walls.heldNodes.end());
    walls.steepest = std::atan(steepest) * 180.0 / std::numbers::pi;
    return walls;
}

}  // namespace membrane
