// The step length of a damped Newton step: the alpha in (0, 1] that minimises the lifted
// area phi(alpha) = A(h + alpha du) along the Newton increment du.
#pragma once

#include <optional>
#include <span>

#include "heightfield/area_along_line.h"

namespace membrane {

struct LineSearchResult {
    double alpha = 1.0;
    double area = 0.0;  // phi(alpha)
};

// phi is convex, so its slope rises along the line: alpha = 1 when phi still falls there,
// otherwise the root of phi' between 0 and 1, found by Newton's method on phi' kept inside
// a shrinking bracket (bisection where a Newton step would leave it). Each trial is one
// pass over the triangles. Empty when du does not lower the area (phi'(0) >= 0, or no
// trial step lowers it): the step cannot be taken.
std::optional<LineSearchResult> MinimizingStep(const LiftedArea& area,
                                               std::span<const double> heights,
                                               std::span<const double> increments);

}  // namespace membrane
