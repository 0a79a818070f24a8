#include "heightfield/plan_model.h"

#include <algorithm>
#include <cmath>
#include <unordered_map>

#include "common/number_format.h"
#include "formats/import_error.h"
#include "heightfield/plan_overlaps.h"

namespace membrane {
namespace {

constexpr std::uint32_t kNone = 0xffffffffu;

std::string PlanPoint(const SurfacePoint& p) {
    return "(" + FormatGeneral(p.x, 10) + ", " + FormatGeneral(p.y, 10) + ")";
}

std::string Corners(const PlanModel& plan, const std::array<std::uint32_t, 3>& t) {
    return PlanPoint(plan.nodes[t[0]]) + ", " + PlanPoint(plan.nodes[t[1]]) + " and " +
           PlanPoint(plan.nodes[t[2]]);
}

// Points of the surface's triangles -> nodes: points closer than `tolerance` in plan are
// one node, which they may be only when their heights agree as well.
class PointMerger {
  public:
    explicit PointMerger(double tolerance) : tolerance_(tolerance) {}

    std::uint32_t Node(const SurfacePoint& p, PlanModel& plan) {
        const std::int64_t cx = Cell(p.x), cy = Cell(p.y);
        for (std::int64_t dx = -1; dx <= 1; ++dx)
            for (std::int64_t dy = -1; dy <= 1; ++dy) {
                const auto found = cells_.find(Key(cx + dx, cy + dy));
                if (found == cells_.end()) continue;
                for (std::uint32_t node : found->second) {
                    const SurfacePoint& q = plan.nodes[node];
                    if (std::hypot(p.x - q.x, p.y - q.y) > tolerance_) continue;
                    if (std::fabs(p.z - q.z) > tolerance_)
                        throw ImportError(
                            "The surface passes twice over the point " + PlanPoint(p) +
                            " of the plan, at the heights " + FormatGeneral(q.z, 10) + " and " +
                            FormatGeneral(p.z, 10) + ": its projection on XY is not a plan mesh");
                    ++plan.mergedPoints;
                    return node;
                }
            }
        const auto node = static_cast<std::uint32_t>(plan.nodes.size());
        plan.nodes.push_back(p);
        cells_[Key(cx, cy)].push_back(node);
        return node;
    }

  private:
    std::int64_t Cell(double v) const {
        return static_cast<std::int64_t>(std::floor(v / tolerance_));
    }
    static std::uint64_t Key(std::int64_t x, std::int64_t y) {
        return (static_cast<std::uint64_t>(x) << 32) ^
               (static_cast<std::uint64_t>(y) & 0xffffffffu);
    }

    double tolerance_;
    std::unordered_map<std::uint64_t, std::vector<std::uint32_t>> cells_;
};

// The size of the surface: the diagonal of the box around its triangles' points.
double SurfaceSize(const SurfaceMesh& surface) {
    SurfacePoint low{INFINITY, INFINITY, INFINITY}, high{-INFINITY, -INFINITY, -INFINITY};
    for (const auto& t : surface.triangles)
        for (std::uint32_t i : t) {
            if (i >= surface.points.size())
                throw ImportError("A triangle names point " + std::to_string(i + 1) +
                                  ", which the file does not define");
            const SurfacePoint& p = surface.points[i];
            if (!std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(p.z))
                throw ImportError("A point of the surface has a coordinate that is not a number");
            low = {std::min(low.x, p.x), std::min(low.y, p.y), std::min(low.z, p.z)};
            high = {std::max(high.x, p.x), std::max(high.y, p.y), std::max(high.z, p.z)};
        }
    return std::hypot(high.x - low.x, high.y - low.y, high.z - low.z);
}

double TwicePlanArea(const PlanModel& plan, const std::array<std::uint32_t, 3>& t) {
    const SurfacePoint &a = plan.nodes[t[0]], &b = plan.nodes[t[1]], &c = plan.nodes[t[2]];
    return (b.x - a.x) * (c.y - a.y) - (c.x - a.x) * (b.y - a.y);
}

// With every triangle counter-clockwise, a plan mesh meets each side at most once in each
// direction. A side met twice in one direction has triangles on the same side of it
// twice: the surface folds over itself there (or more than two triangles meet at it).
// The sides met once in any direction are the boundary.
void CheckFoldsAndHoldBoundary(PlanModel& plan, const std::vector<bool>& turned) {
    std::vector<std::pair<std::uint64_t, std::uint32_t>> sides;  // (from << 32 | to, triangle)
    sides.reserve(3 * plan.triangles.size());
    for (std::uint32_t t = 0; t < plan.triangles.size(); ++t)
        for (int k = 0; k < 3; ++k) {
            const std::uint64_t from = plan.triangles[t][k], to = plan.triangles[t][(k + 1) % 3];
            sides.emplace_back(from << 32 | to, t);
        }
    std::sort(sides.begin(), sides.end());
    const bool mostTurned =
        2 * static_cast<std::size_t>(std::count(turned.begin(), turned.end(), true)) >
        turned.size();
    for (std::size_t i = 1; i < sides.size(); ++i)
        if (sides[i].first == sides[i - 1].first) {
            // Name the triangle that lies the other way round than most: the fold is there.
            const std::uint32_t a = sides[i - 1].second, b = sides[i].second;
            const std::uint32_t t = turned[a] != mostTurned ? a : b;
            throw ImportError("The surface folds over itself in plan: triangle " +
                              std::to_string(t + 1) + ", with the corners " +
                              Corners(plan, plan.triangles[t]) +
                              ", lies over a neighbour in the XY plane");
        }
    for (const auto& [side, t] : sides) {
        const std::uint64_t reverse = (side << 32) | (side >> 32);
        if (!std::binary_search(sides.begin(), sides.end(), std::make_pair(reverse, 0u),
                                [](const auto& a, const auto& b) { return a.first < b.first; })) {
            plan.held[side >> 32] = true;
            plan.held[side & 0xffffffffu] = true;
        }
    }
}

// The nodes of every group called `name` (empty when there is none of that name).
std::vector<std::uint32_t> GroupNodes(const SurfaceMesh& surface,
                                      const std::vector<std::uint32_t>& nodeOfPoint,
                                      const std::string& name) {
    bool exists = false;
    std::vector<std::uint32_t> nodes;
    for (const PointGroup& group : surface.groups) {
        if (group.name != name) continue;
        exists = true;
        for (std::uint32_t point : group.points)
            if (point < nodeOfPoint.size() && nodeOfPoint[point] != kNone)
                nodes.push_back(nodeOfPoint[point]);
    }
    if (!exists) {
        std::string names;
        for (const PointGroup& group : surface.groups) names += " \"" + group.name + "\"";
        throw ImportError("There is no group \"" + name + "\" in the surface file" +
                          (names.empty() ? " (it has no groups)" : " (its groups:" + names + ")"));
    }
    if (nodes.empty())
        throw ImportError("The group \"" + name + "\" holds no node of the membrane's triangles");
    return nodes;
}

}  // namespace

PlanModel MakePlanModel(const SurfaceMesh& surface, const HeldChoice& held) {
    if (surface.triangles.empty())
        throw ImportError("The file holds no triangles (nor quadrilaterals)");
    const double size = SurfaceSize(surface);
    if (!(size > 0.0)) throw ImportError("All points of the surface coincide");

    PlanModel plan;
    // Points in file order, so that the nodes keep the order the mesher gave them.
    std::vector<std::uint32_t> nodeOfPoint(surface.points.size(), kNone);
    for (const auto& t : surface.triangles)
        for (std::uint32_t i : t) nodeOfPoint[i] = 0;
    PointMerger merger(1e-8 * size);
    for (std::uint32_t i = 0; i < surface.points.size(); ++i)
        if (nodeOfPoint[i] != kNone) nodeOfPoint[i] = merger.Node(surface.points[i], plan);

    const double upright = 1e-12 * size * size;
    std::vector<bool> turned;
    plan.triangles.reserve(surface.triangles.size());
    for (const auto& source : surface.triangles) {
        std::array<std::uint32_t, 3> t{nodeOfPoint[source[0]], nodeOfPoint[source[1]],
                                       nodeOfPoint[source[2]]};
        if (t[0] == t[1] || t[1] == t[2] || t[0] == t[2]) continue;  // closed up by the merge
        const double twiceArea = TwicePlanArea(plan, t);
        if (std::fabs(twiceArea) <= upright)
            throw ImportError("Triangle " + std::to_string(plan.triangles.size() + 1) +
                              ", with the corners " + Corners(plan, t) +
                              ", stands upright: it has no area in plan");
        turned.push_back(twiceArea < 0);
        if (twiceArea < 0) std::swap(t[1], t[2]);
        plan.triangles.push_back(t);
    }
    if (plan.triangles.empty()) throw ImportError("No triangle of the surface has an area");

    plan.held.assign(plan.nodes.size(), false);
    CheckFoldsAndHoldBoundary(plan, turned);
    CheckPlanOverlaps(plan);
    plan.heights.resize(plan.nodes.size());
    for (std::size_t i = 0; i < plan.nodes.size(); ++i) plan.heights[i] = plan.nodes[i].z;
    for (const std::string& name : held.groups)
        for (std::uint32_t node : GroupNodes(surface, nodeOfPoint, name)) plan.held[node] = true;
    for (const auto& [name, height] : held.heights)
        for (std::uint32_t node : GroupNodes(surface, nodeOfPoint, name)) {
            plan.held[node] = true;
            plan.heights[node] = height;
        }
    return plan;
}

}  // namespace membrane
