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
