#include "heightfield/area_along_line.h"

#include <cmath>

#include "heightfield/mesh_area.h"

namespace membrane {

struct LiftedArea::Plan {
    std::int32_t corner[3];
    double halfArea;  // |D| / 2
    double etaOverD[3], xiOverD[3];
};

LiftedArea::LiftedArea(const Model& model) : nodes_(model.nodes.Nodes()) {
    const ElementTable& elements = model.elements;
    corners_.reserve(elements.Elements().size());
    for (const ElementEntry& element : elements.Elements()) {
        // A number given twice is assembled once, from its newest entry.
        if (elements.Find(element.number) != &element || element.nodeCount < 3) continue;
        const auto numbers = elements.NodesOf(element);
        std::array<std::int32_t, 3> corner{};
        bool present = true;
        for (int k = 0; k < 3; ++k) {
            corner[k] = model.nodes.IndexOf(numbers[k]);
            present = present && corner[k] >= 0;
        }
        if (present) corners_.push_back(corner);
    }
}

template <typename Visit>
void LiftedArea::ForEachTriangle(Visit&& visit) const {
    Plan p{};
    for (const auto& corner : corners_) {
        double x[3], y[3];
        for (int k = 0; k < 3; ++k) {
            p.corner[k] = corner[k];
            x[k] = nodes_[corner[k]].x;
            y[k] = nodes_[corner[k]].y;
        }
        const double D = TwiceSignedArea(x[0], y[0], x[1], y[1], x[2], y[2]);
        if (D == 0.0 || !std::isfinite(D)) continue;  // no plan area: not assembled either
        p.halfArea = std::fabs(D) / 2;
        for (int k = 0; k < 3; ++k) {
            p.etaOverD[k] = (y[(k + 1) % 3] - y[(k + 2) % 3]) / D;
            p.xiOverD[k] = (x[(k + 2) % 3] - x[(k + 1) % 3]) / D;
        }
        visit(p);
    }
}

double LiftedArea::Area(std::span<const double> heights) const {
    double total = 0.0;
    ForEachTriangle([&](const Plan& t) {
        double a = 0.0, b = 0.0;
        for (int k = 0; k < 3; ++k) {
            a += t.etaOverD[k] * heights[t.corner[k]];
            b += t.xiOverD[k] * heights[t.corner[k]];
        }
        total += t.halfArea * std::sqrt(1 + a * a + b * b);
    });
    return total;
}

LineValues LiftedArea::AlongLine(std::span<const double> heights,
                                 std::span<const double> increments, double alpha) const {
    LineValues values;
    ForEachTriangle([&](const Plan& t) {
        double a = 0.0, b = 0.0, a1 = 0.0, b1 = 0.0;
        for (int k = 0; k < 3; ++k) {
            const double du = increments[t.corner[k]];
            const double h = heights[t.corner[k]] + alpha * du;
            a += t.etaOverD[k] * h;
            b += t.xiOverD[k] * h;
            a1 += t.etaOverD[k] * du;
            b1 += t.xiOverD[k] * du;
        }
        const double S = 1 + a * a + b * b;
        const double root = std::sqrt(S);
        const double g = a * a1 + b * b1;
        values.area += t.halfArea * root;
        values.slope += t.halfArea * g / root;
        values.curvature += t.halfArea * ((a1 * a1 + b1 * b1) - g * g / S) / root;
    });
    return values;
}

}  // namespace membrane
