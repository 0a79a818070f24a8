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
    for (const auto& c : model.triangles)
        surface.mesh.triangles.push_back({static_cast<std::uint32_t>(c[0]),
                                          static_cast<std::uint32_t>(c[1]),
                                          static_cast<std::uint32_t>(c[2])});
    SetVertexNormals(surface);
    return surface;
}

}  // namespace membrane
