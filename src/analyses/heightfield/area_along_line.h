// The lifted area of a model's membrane as a function of its heights, and along a line
// through them: phi(alpha) = A(h + alpha du), with its first two derivatives.
//
// With the slopes of a triangle a = eta.h / D and b = xi.h / D (D twice the signed plan
// area, eta and xi the plan's coordinate differences), its lifted area is
//   |D| / 2 * sqrt(1 + a^2 + b^2).
// Along the line the slopes are a0 + alpha a1 and b0 + alpha b1, so with
// S = 1 + a^2 + b^2 and g = a a1 + b b1:
//   phi'  = sum |D| / 2 * g / sqrt(S),
//   phi'' = sum |D| / 2 * ((a1^2 + b1^2) / sqrt(S) - g^2 / S^1.5)   (>= 0: phi is convex).
// Every evaluation is one pass over the triangles; nothing is factorised.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "heightfield/model.h"

namespace membrane {

struct LineValues {
    double area = 0.0;       // phi(alpha)
    double slope = 0.0;      // phi'(alpha)
    double curvature = 0.0;  // phi''(alpha)
};

class LiftedArea {
  public:
    // The triangles of the model (each element number once, as assembled). The model must
    // outlive this object.
    explicit LiftedArea(const Model& model);

    // A(h), h one height per node of the model (node table order).
    double Area(std::span<const double> heights) const;
    // phi(alpha), phi'(alpha), phi''(alpha) for the line h + alpha du.
    LineValues AlongLine(std::span<const double> heights, std::span<const double> increments,
                         double alpha) const;

  private:
    struct Plan;  // a triangle's plan, worked out on the fly (less memory than keeping it)
    template <typename Visit>
    void ForEachTriangle(Visit&& visit) const;

    const std::vector<NodeEntry>& nodes_;
    std::vector<std::array<std::int32_t, 3>> corners_;  // node table indices
};

}  // namespace membrane
