// Gmsh files: a mesh (".msh", versions 2 and 4, text or binary) or a geometry script
// (".geo") that is meshed in two dimensions on the fly. Read through the Gmsh library.
#pragma once

#include <string>

#include "exchange/surface_mesh.h"

namespace membrane {

// The triangles and quadrilaterals of the file (corner nodes only, so second-order
// elements count as first-order ones) and its physical groups, named by their name or,
// without one, by their number. A `geometry` script is meshed first, with all elements of
// the size `size` when that is > 0. Throws ImportError.
SurfaceMesh ReadGmshSurface(const std::string& path, bool geometry, double size);

}  // namespace membrane
