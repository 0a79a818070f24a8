// DXF drawings of a surface through dxflib: every triangle a 3DFACE on the layer
// "MEMBRANE", every held node a POINT on the layer "HELD_NODES" (AutoCAD 2000 format), in
// metres ($INSUNITS 6).
#pragma once

#include <string>
#include <vector>

#include "mesh/surface_mesh.h"

namespace membrane {

// Writes the drawing atomically. Throws IoError.
void WriteDxfFile(const std::string& path, const SurfaceMesh& mesh, const std::vector<bool>& held);

}  // namespace membrane
