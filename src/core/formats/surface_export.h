// The lifted membrane of a run as a triangle surface for CAD programs, renderers and 3D
// printers: Wavefront OBJ, binary STL, binary PLY, glTF binary (.glb) and DXF, chosen by
// the file name's extension. Coordinates in metres, z up (the glTF file turns that into
// its own y up), triangles counter-clockwise seen from above, normals where the format
// has them. Each file is written atomically.
#pragma once

#include <span>
#include <string>
#include <vector>

#include "mesh/surface_mesh.h"

namespace membrane {

// A membrane as a surface, with its normals and its held nodes.
struct LiftedSurface {
    SurfaceMesh mesh;                   // triangles counter-clockwise in plan
    std::vector<SurfacePoint> normals;  // per node, area-weighted, unit, pointing up
    std::vector<bool> held;             // per node
};

// Every point's normal: the sum over its triangles of the cross product of two sides
// (twice the area along the triangle's normal, so that each counts by its area, turned by
// the corners' right-hand rule), made unit; (0, 0, 1) for a point of no triangle.
void SetVertexNormals(LiftedSurface& surface);

// Throws IoError when the file cannot be written, std::invalid_argument for a name whose
// extension is not one of the formats (see IsExportFormat).
void ExportSurface(const std::string& path, const LiftedSurface& surface);

}  // namespace membrane
