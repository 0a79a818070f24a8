#include "form/form_mechanics.h"

#include <algorithm>
#include <cmath>

namespace membrane {

TriangleShape MeasureTriangle(const Vec3& a, const Vec3& b, const Vec3& c) {
    TriangleShape shape;
    shape.normal = Cross(b - a, c - a);
    const double twiceArea = Norm(shape.normal);
    shape.area = 0.5 * twiceArea;
    const Vec3* corner[3] = {&a, &b, &c};
    for (int k = 0; k < 3; ++k) {
        // The angle at corner k between the sides to the other two corners: cot = u.v / |u x v|.
        const Vec3 u = *corner[(k + 1) % 3] - *corner[k];
        const Vec3 v = *corner[(k + 2) % 3] - *corner[k];
        shape.cot[k] = Dot(u, v) / twiceArea;
    }
    return shape;
}

double SmallestAngleDegrees(const Vec3& a, const Vec3& b, const Vec3& c) {
    const Vec3* corner[3] = {&a, &b, &c};
    double smallest = 180.0;
    for (int k = 0; k < 3; ++k) {
        const Vec3 u = *corner[(k + 1) % 3] - *corner[k];
        const Vec3 v = *corner[(k + 2) % 3] - *corner[k];
        const double angle = std::atan2(Norm(Cross(u, v)), Dot(u, v)) * 180.0 / M_PI;
        smallest = std::min(smallest, angle);
    }
    return smallest;
}

PrincipalStresses StressOfForceDensities(const Vec3& a, const Vec3& b, const Vec3& c,
                                         const double q[3]) {
    const Vec3 side[3] = {c - b, a - c, b - a};
    const double area = 0.5 * Norm(Cross(b - a, c - a));
    if (!(area > 0.0)) return {};
    // S = (1/A) sum q e e^T has the normal in its kernel; its two other eigenvalues follow
    // from trace S and trace S^2 = (1/A^2) sum_e sum_f q_e q_f (e.f)^2.
    double trace = 0.0, traceOfSquare = 0.0;
    for (int e = 0; e < 3; ++e) {
        trace += q[e] * Dot(side[e], side[e]);
        for (int f = 0; f < 3; ++f) {
            const double d = Dot(side[e], side[f]);
            traceOfSquare += q[e] * q[f] * d * d;
        }
    }
    trace /= area;
    traceOfSquare /= area * area;
    const double mean = 0.5 * trace;
    const double determinant = 0.5 * (trace * trace - traceOfSquare);
    const double radius = std::sqrt(std::max(0.0, mean * mean - determinant));
    return {mean + radius, mean - radius};
}

double FormEnergy(const FormModel& model, std::span<const Vec3> x) {
    double energy = 0.0;
    for (std::size_t t = 0; t < model.triangles.size(); ++t) {
        const auto& c = model.triangles[t];
        const MembraneRegion& region = model.regions[model.triangleRegion[t]];
        const Vec3 normal = Cross(x[c[1]] - x[c[0]], x[c[2]] - x[c[0]]);
        energy += region.stress * 0.5 * Norm(normal);
        if (region.pressure != 0.0)
            energy -= region.pressure * Dot(x[c[0]], Cross(x[c[1]], x[c[2]])) / 6.0;
    }
    for (const CableSpec& cable : model.cables)
        for (std::size_t k = 1; k < cable.nodes.size(); ++k)
            energy += cable.force * Norm(x[cable.nodes[k]] - x[cable.nodes[k - 1]]);
    return energy;
}

void PressureLoads(const FormModel& model, std::span<const Vec3> x, std::span<Vec3> loads) {
    std::fill(loads.begin(), loads.end(), Vec3{});
    for (std::size_t t = 0; t < model.triangles.size(); ++t) {
        const double p = model.regions[model.triangleRegion[t]].pressure;
        if (p == 0.0) continue;
        const auto& c = model.triangles[t];
        const Vec3 share = (p / 6.0) * Cross(x[c[1]] - x[c[0]], x[c[2]] - x[c[0]]);
        for (std::int32_t i : c) loads[i] += share;
    }
}

void PrescribedOutOfBalance(const FormModel& model, std::span<const Vec3> x,
                            std::span<Vec3> forces) {
    PressureLoads(model, x, forces);
    for (std::size_t t = 0; t < model.triangles.size(); ++t) {
        const auto& c = model.triangles[t];
        const double sigma = model.regions[model.triangleRegion[t]].stress;
        const TriangleShape shape = MeasureTriangle(x[c[0]], x[c[1]], x[c[2]]);
        for (int k = 0; k < 3; ++k) {
            // Side opposite corner k, between corners i and j: a bar of density q.
            const std::int32_t i = c[(k + 1) % 3], j = c[(k + 2) % 3];
            const Vec3 pull = (0.5 * sigma * shape.cot[k]) * (x[j] - x[i]);
            forces[i] += pull;
            forces[j] -= pull;
        }
    }
    for (const CableSpec& cable : model.cables)
        for (std::size_t k = 1; k < cable.nodes.size(); ++k) {
            const std::int32_t i = cable.nodes[k - 1], j = cable.nodes[k];
            const Vec3 side = x[j] - x[i];
            const Vec3 pull = (cable.force / Norm(side)) * side;
            forces[i] += pull;
            forces[j] -= pull;
        }
}

std::vector<Vec3> VertexNormals(const FormModel& model, std::span<const Vec3> x) {
    std::vector<Vec3> normals(model.NodeCount());
    for (const auto& c : model.triangles) {
        const Vec3 normal = Cross(x[c[1]] - x[c[0]], x[c[2]] - x[c[0]]);
        for (std::int32_t i : c) normals[i] += normal;
    }
    for (Vec3& normal : normals)
        if (const double length = Norm(normal); length > 0.0) normal *= 1.0 / length;
    return normals;
}

}  // namespace membrane
