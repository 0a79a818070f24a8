#include "formats/surface_export.h"

#include <cerrno>
#include <cmath>
#include <cstring>
#include <stdexcept>

#include "common/io_error.h"
#include "common/text_file.h"
#include "formats/assimp_writer.h"
#include "formats/dxf_writer.h"
#include "formats/obj_format.h"
#include "formats/surface_format.h"

namespace membrane {
namespace {

void WriteObjFile(const std::string& path, const LiftedSurface& surface) {
    AtomicFile target(path);
    auto file = target.Create();
    if (!file) throw IoError("Can not create " + target.Error());
    RenderObj(*file, surface.mesh, surface.normals);
    file->Close();
    target.Commit();
}

}  // namespace

void SetVertexNormals(LiftedSurface& surface) {
    const auto& p = surface.mesh.points;
    surface.normals.assign(p.size(), SurfacePoint{0, 0, 0});
    for (const auto& t : surface.mesh.triangles) {
        const SurfacePoint &u = p[t[0]], &v = p[t[1]], &w = p[t[2]];
        const double e1[3] = {v.x - u.x, v.y - u.y, v.z - u.z};
        const double e2[3] = {w.x - u.x, w.y - u.y, w.z - u.z};
        const SurfacePoint n{e1[1] * e2[2] - e1[2] * e2[1], e1[2] * e2[0] - e1[0] * e2[2],
                             e1[0] * e2[1] - e1[1] * e2[0]};
        for (const std::uint32_t i : t) {
            surface.normals[i].x += n.x;
            surface.normals[i].y += n.y;
            surface.normals[i].z += n.z;
        }
    }
    for (SurfacePoint& n : surface.normals) {
        const double length = std::hypot(n.x, n.y, n.z);
        n = length > 0 ? SurfacePoint{n.x / length, n.y / length, n.z / length}
                       : SurfacePoint{0, 0, 1};
    }
}

void ExportSurface(const std::string& path, const LiftedSurface& surface) {
    const std::string format = LowerCaseExtension(path);
    if (format == ".obj")
        WriteObjFile(path, surface);
    else if (format == ".dxf")
        WriteDxfFile(path, surface.mesh, surface.held);
    else if (format == ".stl" || format == ".ply" || format == ".glb")
        WriteAssimpFile(path, surface.mesh, surface.normals);
    else
        throw std::invalid_argument(
            "The membrane can be exported to .obj, .stl, .ply, .glb or "
            ".dxf files, not to " +
            path);
}

}  // namespace membrane
