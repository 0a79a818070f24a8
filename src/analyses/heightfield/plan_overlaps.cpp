#include "heightfield/plan_overlaps.h"

#include <algorithm>
#include <cmath>

#include "common/number_format.h"
#include "formats/import_error.h"

namespace membrane {
namespace {

using Triangle = std::array<std::uint32_t, 3>;

struct Box {
    double x0, y0, x1, y1;
};

std::string PlanPoint(const SurfacePoint& p) {
    return "(" + FormatGeneral(p.x, 10) + ", " + FormatGeneral(p.y, 10) + ")";
}

std::string Named(const PlanModel& plan, std::uint32_t t) {
    const Triangle& c = plan.triangles[t];
    return "triangle " + std::to_string(t + 1) + " (" + PlanPoint(plan.nodes[c[0]]) + ", " +
           PlanPoint(plan.nodes[c[1]]) + ", " + PlanPoint(plan.nodes[c[2]]) + ")";
}

// Twice the signed area of a, b, p: positive when p is left of the line from a to b.
double Orientation(const SurfacePoint& a, const SurfacePoint& b, const SurfacePoint& p) {
    return (b.x - a.x) * (p.y - a.y) - (b.y - a.y) * (p.x - a.x);
}

class OverlapTest {
  public:
    OverlapTest(const PlanModel& plan, double tolerance) : plan_(plan), tolerance_(tolerance) {}

    // Two convex figures have disjoint insides exactly when the line of one of their sides
    // has the one on its left and the other nowhere strictly left (the separating axis
    // theorem in the plane). The tolerance keeps touching from counting as overlapping.
    bool Overlap(std::uint32_t a, std::uint32_t b) const {
        return !Separates(a, b) && !Separates(b, a);
    }

    // A corner of `b` that lies inside a side of `a` (not at its ends) and is no corner of
    // `a`; -1 when there is none.
    int NodeOnSide(std::uint32_t a, std::uint32_t b, int& side) const {
        const Triangle& ta = plan_.triangles[a];
        const Triangle& tb = plan_.triangles[b];
        for (int k = 0; k < 3; ++k) {
            const std::uint32_t node = tb[k];
            if (node == ta[0] || node == ta[1] || node == ta[2]) continue;
            const SurfacePoint& p = plan_.nodes[node];
            for (int s = 0; s < 3; ++s) {
                const SurfacePoint &u = plan_.nodes[ta[s]], &v = plan_.nodes[ta[(s + 1) % 3]];
                // Squares compared: no root for the many points far from the line.
                const double squared = (v.x - u.x) * (v.x - u.x) + (v.y - u.y) * (v.y - u.y);
                const double o = Orientation(u, v, p);
                if (o * o > tolerance_ * tolerance_ * squared) continue;
                const double length = std::sqrt(squared);
                const double along = (p.x - u.x) * (v.x - u.x) + (p.y - u.y) * (v.y - u.y);
                if (along > tolerance_ * length && along < length * (length - tolerance_)) {
                    side = s;
                    return k;
                }
            }
        }
        return -1;
    }

  private:
    bool Separates(std::uint32_t a, std::uint32_t b) const {
        const Triangle& ta = plan_.triangles[a];
        const Triangle& tb = plan_.triangles[b];
        for (int s = 0; s < 3; ++s) {
            const SurfacePoint &u = plan_.nodes[ta[s]], &v = plan_.nodes[ta[(s + 1) % 3]];
            // Left by more than the tolerance: o > tolerance * length, squared.
            const double bound =
                tolerance_ * tolerance_ * ((v.x - u.x) * (v.x - u.x) + (v.y - u.y) * (v.y - u.y));
            bool left = false;
            for (std::uint32_t node : tb) {
                const double o = Orientation(u, v, plan_.nodes[node]);
                left = left || (o > 0 && o * o > bound);
            }
            if (!left) return true;
        }
        return false;
    }

    const PlanModel& plan_;
    double tolerance_;
};

Box BoxOf(const PlanModel& plan, const Triangle& t) {
    Box box{INFINITY, INFINITY, -INFINITY, -INFINITY};
    for (std::uint32_t node : t) {
        const SurfacePoint& p = plan.nodes[node];
        box = {std::min(box.x0, p.x), std::min(box.y0, p.y), std::max(box.x1, p.x),
               std::max(box.y1, p.y)};
    }
    return box;
}

}  // namespace

void CheckPlanOverlaps(const PlanModel& plan) {
    const std::size_t n = plan.triangles.size();
    if (n < 2) return;
    std::vector<Box> boxes(n);
    Box all{INFINITY, INFINITY, -INFINITY, -INFINITY};
    std::vector<double> extents(n);
    for (std::size_t t = 0; t < n; ++t) {
        boxes[t] = BoxOf(plan, plan.triangles[t]);
        all = {std::min(all.x0, boxes[t].x0), std::min(all.y0, boxes[t].y0),
               std::max(all.x1, boxes[t].x1), std::max(all.y1, boxes[t].y1)};
        extents[t] = std::max(boxes[t].x1 - boxes[t].x0, boxes[t].y1 - boxes[t].y0);
    }
    const double size = std::hypot(all.x1 - all.x0, all.y1 - all.y0);
    const double tolerance = 1e-10 * size;
    // Cells of a typical (the median) triangle's size, at most about 4n of them; larger
    // while the triangles would be entered in more than 16n cells in all. A triangle is
    // entered in every cell its box meets; a node that lies on a side lies in the side's box,
    // so a T-junction's two triangles share a cell.
    std::nth_element(extents.begin(), extents.begin() + n / 2, extents.end());
    double cell =
        std::max({extents[n / 2],
                  std::sqrt((all.x1 - all.x0) * (all.y1 - all.y0) / (4.0 * static_cast<double>(n))),
                  size * 1e-6});
    std::int64_t columns = 1, rows = 1;
    // The column of an x, the row of a y, within the grid.
    auto index = [&](double offset, double span, std::int64_t count) {
        const double k = std::floor(std::clamp(offset, 0.0, span) / cell);
        return std::min(static_cast<std::int64_t>(k), count - 1);
    };
    auto column = [&](double x) { return index(x - all.x0, all.x1 - all.x0, columns); };
    auto row = [&](double y) { return index(y - all.y0, all.y1 - all.y0, rows); };
    while (true) {
        columns = static_cast<std::int64_t>((all.x1 - all.x0) / cell) + 1;
        rows = static_cast<std::int64_t>((all.y1 - all.y0) / cell) + 1;
        double entries = 0;
        for (const Box& b : boxes)
            entries += static_cast<double>(column(b.x1) - column(b.x0) + 1) *
                       static_cast<double>(row(b.y1) - row(b.y0) + 1);
        if (entries <= 16.0 * static_cast<double>(n)) break;
        cell *= 2;
    }
    // (cell, triangle), sorted by cell: the triangles of each cell side by side.
    std::vector<std::pair<std::int64_t, std::uint32_t>> entered;
    for (std::uint32_t t = 0; t < n; ++t) {
        const Box& b = boxes[t];
        for (std::int64_t i = column(b.x0); i <= column(b.x1); ++i)
            for (std::int64_t j = row(b.y0); j <= row(b.y1); ++j)
                entered.emplace_back(j * columns + i, t);
    }
    std::sort(entered.begin(), entered.end());

    const OverlapTest test(plan, tolerance);
    for (std::size_t first = 0; first < entered.size();) {
        std::size_t last = first;
        while (last < entered.size() && entered[last].first == entered[first].first) ++last;
        const std::int64_t here = entered[first].first;
        for (std::size_t p = first; p < last; ++p)
            for (std::size_t q = p + 1; q < last; ++q) {
                const std::uint32_t a = entered[p].second, b = entered[q].second;
                const Box &ba = boxes[a], &bb = boxes[b];
                // Each pair once: in the cell of the low corner of the boxes' common part
                // (boxes that do not meet hold triangles that do not).
                const double x = std::max(ba.x0, bb.x0), y = std::max(ba.y0, bb.y0);
                if (x > std::min(ba.x1, bb.x1) || y > std::min(ba.y1, bb.y1)) continue;
                if (row(y) * columns + column(x) != here) continue;
                if (test.Overlap(a, b))
                    throw ImportError(
                        "The surface folds over itself in plan: " + Named(plan, std::min(a, b)) +
                        " and " + Named(plan, std::max(a, b)) + " overlap in the XY plane");
                for (const auto& [on, under] : {std::pair{a, b}, std::pair{b, a}}) {
                    int side = 0;
                    const int corner = test.NodeOnSide(on, under, side);
                    if (corner < 0) continue;
                    const Triangle& t = plan.triangles[on];
                    throw ImportError("The mesh does not meet at its nodes: the corner " +
                                      PlanPoint(plan.nodes[plan.triangles[under][corner]]) +
                                      " of " + Named(plan, under) + " lies inside the side from " +
                                      PlanPoint(plan.nodes[t[side]]) + " to " +
                                      PlanPoint(plan.nodes[t[(side + 1) % 3]]) + " of " +
                                      Named(plan, on) + " (a T-junction)");
                }
            }
        first = last;
    }
}

}  // namespace membrane
