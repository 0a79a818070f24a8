#include "heightfield/line_search.h"

#include <cmath>

namespace membrane {
namespace {

// Good enough for the outer iteration: |phi'(alpha)| this small relative to |phi'(0)|.
constexpr double kSlopeReduction = 1e-3;
constexpr int kMaxTrials = 60;

// A step lowers the area when phi(alpha) <= phi(0), allowing for the rounding of a sum
// over all triangles (near convergence the two differ in the last digits only).
bool Lowers(double area, double start) {
    return area <= start + 1e-13 * std::fabs(start);
}

}  // namespace

std::optional<LineSearchResult> MinimizingStep(const LiftedArea& area,
                                               std::span<const double> heights,
                                               std::span<const double> increments) {
    const LineValues start = area.AlongLine(heights, increments, 0.0);
    if (!(start.slope < 0.0)) return std::nullopt;  // not downhill (or not a number)

    LineValues at = area.AlongLine(heights, increments, 1.0);
    double alpha = 1.0;
    const bool flatEnough = std::fabs(at.slope) <= kSlopeReduction * -start.slope;
    if (!flatEnough && (at.slope > 0.0 || !std::isfinite(at.slope))) {
        // The minimiser lies in (lo, hi): phi' < 0 at lo, > 0 (or overflowing) at hi.
        double lo = 0.0, hi = 1.0;
        LineValues low = start;
        for (int trial = 0; trial < kMaxTrials; ++trial) {
            double next = 0.5 * (lo + hi);
            if (low.curvature > 0.0) {
                const double newton = lo - low.slope / low.curvature;
                if (newton > lo && newton < hi) next = newton;
            }
            alpha = next;
            at = area.AlongLine(heights, increments, alpha);
            if (std::fabs(at.slope) <= kSlopeReduction * -start.slope) break;
            if (at.slope < 0.0) {
                lo = alpha;
                low = at;
            } else {
                hi = alpha;
                // Newton from the low end overshot: take the secant on the bracket next.
                if (std::isfinite(at.slope) && at.slope > 0.0 && low.slope < 0.0)
                    low.curvature = (at.slope - low.slope) / (hi - lo);
            }
            if (hi - lo <= 1e-15 * hi) break;
        }
        if (at.slope > 0.0 && lo > 0.0 && !Lowers(at.area, start.area)) {
            alpha = lo;
            at = low;
        }
    }
    // phi is convex and falls at 0: halving reaches a lower area unless rounding hides it.
    for (int trial = 0; trial < kMaxTrials && !Lowers(at.area, start.area); ++trial) {
        alpha *= 0.5;
        at = area.AlongLine(heights, increments, alpha);
    }
    if (!Lowers(at.area, start.area)) return std::nullopt;
    return LineSearchResult{alpha, at.area};
}

}  // namespace membrane
