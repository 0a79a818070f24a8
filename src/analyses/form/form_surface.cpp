#include "form/form_surface.h"

#include <cmath>
#include <cstdint>

namespace membrane {

LiftedSurface FormSurface(const FormModel& model, const FormSolution& solution) {
    LiftedSurface surface;
    const std::size_t n = model.NodeCount();
    surface.mesh.points.reserve(n);
    for (const Vec3& p : solution.shape) surface.mesh.points.push_back({p.x, p.y, p.z});
    surface.held.assign(model.held.begin(), model.held.end());
    surface.normals.assign(n, SurfacePoint{0, 0, 0});
    for (const auto& c : model.triangles) {
        const Vec3 normal = Cross(solution.shape[c[1]] - solution.shape[c[0]],
                                  solution.shape[c[2]] - solution.shape[c[0]]);
        for (std::int32_t i : c) {
            surface.normals[i].x += normal.x;
            surface.normals[i].y += normal.y;
            surface.normals[i].z += normal.z;
        }
        surface.mesh.triangles.push_back({static_cast<std::uint32_t>(c[0]),
                                          static_cast<std::uint32_t>(c[1]),
                                          static_cast<std::uint32_t>(c[2])});
    }
    for (SurfacePoint& normal : surface.normals) {
        const double length = std::hypot(normal.x, normal.y, normal.z);
        normal = length > 0 ? SurfacePoint{normal.x / length, normal.y / length, normal.z / length}
                            : SurfacePoint{0, 0, 1};
    }
    return surface;
}

}  // namespace membrane
