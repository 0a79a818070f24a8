// Reads a surface file of any of the formats the import knows, by its extension.
#pragma once

#include <string>

#include "exchange/gmsh_reader.h"
#include "exchange/surface_mesh.h"

namespace membrane {

// ".msh" read here, ".geo" meshed by Gmsh in a confined child (element size `size` when
// > 0, at most `seconds` of time),
// ".obj" here, ".stl" and ".ply" through Assimp; the case of the extension does not
// matter. Throws IoError for a file that cannot be opened, ImportError for one that is
// unreadable or of another kind.
SurfaceMesh ReadSurface(const std::string& path, double size, double seconds = kMeshSeconds);

}  // namespace membrane
