// Reads a surface file of any of the formats the import knows, by its extension.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "formats/gmsh_reader.h"
#include "mesh/surface_mesh.h"

namespace membrane {

// The largest surface file read: a million triangles take about 50 MB as binary STL and
// 100 MB as OBJ or text PLY; ten times the largest useful membrane and a little more.
constexpr std::uint64_t kMaxSurfaceFileBytes = std::uint64_t{1} << 30;

// ".msh", ".obj", ".stl" and ".ply" read here (a ".msh" as data, never run as a script),
// ".geo" meshed by Gmsh in a confined child (element size `size` when > 0, at most
// `seconds` of time); the case of the extension does not matter. The file must be a
// regular file of at most kMaxSurfaceFileBytes (see ReadRegularFile). Throws IoError for a
// file that cannot be read, ImportError for one that is unreadable or of another kind.
SurfaceMesh ReadSurface(const std::string& path, double size, double seconds = kMeshSeconds);

// The surface in `bytes`, a file of the format of `extension` (".obj", ".stl" or ".ply",
// lower case). Throws ImportError.
SurfaceMesh ParseSurface(const std::string& extension, std::string_view bytes);

}  // namespace membrane
