// PLY surfaces: a text header ("ply", "format ascii|binary_little_endian|binary_big_endian
// 1.0", "element NAME COUNT", "property TYPE NAME", "property list COUNT-TYPE TYPE NAME",
// "end_header") and the elements it declares, as text or binary.
#pragma once

#include <string_view>

#include "mesh/surface_mesh.h"

namespace membrane {

// The "vertex" element's x, y, z and the "face" element's "vertex_indices" (or
// "vertex_index") lists; every other element and property is read past. Faces of three or
// four corners as SurfaceMesh::AddFace makes them, larger ones as a fan. Throws
// ImportError for a header without "end_header", a count larger than the file can hold, a
// face of fewer than three corners or with a corner that is no vertex, data that ends
// early or is not a number.
SurfaceMesh ParsePly(std::string_view bytes);

}  // namespace membrane
