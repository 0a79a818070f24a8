// STL surfaces, text ("solid ... facet ... vertex x y z ... endsolid") or binary (an
// 80-byte header, a 32-bit little-endian triangle count, then 50 bytes per triangle: a
// normal and three corners as 32-bit floats, and a 16-bit attribute word).
#pragma once

#include <string_view>

#include "mesh/surface_mesh.h"

namespace membrane {

// Three points per triangle, as the file stores them (coinciding points are merged by the
// plan model). A file whose size is exactly that of a binary STL of the count it states
// is binary, whatever its header says; otherwise one starting with "solid" is text.
// Throws ImportError for a count that does not fit the file's size, a facet without three
// corners or a coordinate that is not a number.
SurfaceMesh ParseStl(std::string_view bytes);

}  // namespace membrane
