// Gmsh files: a mesh (".msh", versions 2.2 and 4.1, text or binary), read by this program
// (msh_format.h), or a geometry script (".geo"), meshed in two dimensions by the Gmsh
// library in a confined child process (confined_child.h) that hands the mesh back.
#pragma once

#include <string>

#include "mesh/surface_mesh.h"

namespace membrane {

// How long a geometry script may take to mesh, unless the caller says otherwise.
constexpr double kMeshSeconds = 60.0;

// The triangles and quadrilaterals of the file (corner nodes only, so second-order
// elements count as first-order ones) and its physical groups, named by their name or,
// without one, by their number, with their dimension, segments and triangles. A
// `geometry` script is meshed first, with all elements of the size `size` when that is
// > 0, within `seconds` of wall and processor time. Throws ImportError, also for what the
// sandbox stopped (a script that tried to run a program or write a file).
SurfaceMesh ReadGmshSurface(const std::string& path, bool geometry, double size,
                            double seconds = kMeshSeconds);

}  // namespace membrane
