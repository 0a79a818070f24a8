// Binary STL, binary PLY and glTF binary (.glb) files of a surface, made by the Assimp
// library in memory and written atomically.
#pragma once

#include <string>
#include <vector>

#include "mesh/surface_mesh.h"

namespace membrane {

// The format by the extension of `path` (".stl", ".ply" or ".glb"). z is up; the glTF
// file, whose convention is y up, gets (x, z, -y). Throws IoError.
void WriteAssimpFile(const std::string& path, const SurfaceMesh& mesh,
                     const std::vector<SurfacePoint>& normals);

}  // namespace membrane
