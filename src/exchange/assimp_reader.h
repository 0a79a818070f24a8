// Triangle and polygon surfaces of the common exchange formats STL (text or binary) and
// PLY (text or binary), read through the Assimp library. The library keeps coordinates in
// single precision, as both formats usually store them.
#pragma once

#include <string>

#include "exchange/surface_mesh.h"

namespace membrane {

// Every mesh of the file, polygons split into triangles; no groups. Throws ImportError.
SurfaceMesh ReadAssimpSurface(const std::string& path);

}  // namespace membrane
