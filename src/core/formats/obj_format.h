// Wavefront OBJ surfaces, read and written here in full double precision: the Assimp
// library keeps coordinates in single precision (7 digits), which would make a membrane
// taken out and back in differ from itself by far more than the solver's accuracy.
#pragma once

#include <string_view>

#include "common/text_sink.h"
#include "mesh/surface_mesh.h"

namespace membrane {

// "v x y z" and "f a b c ..." lines (corners "i", "i/t", "i//n" or "i/t/n", negative
// indices counting back from the last vertex); normals, texture coordinates, groups,
// materials and comments are passed over. Throws ImportError naming the line of a fault.
SurfaceMesh ParseObj(std::string_view text);

// Vertices with 17 significant digits, a normal per vertex, triangles "f a//a b//b c//c".
void RenderObj(TextSink& out, const SurfaceMesh& mesh, const std::vector<SurfacePoint>& normals);

}  // namespace membrane
