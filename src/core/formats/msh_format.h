// Gmsh's mesh file format (".msh"), read and written by this program itself. Read:
// versions 2 (2.0 to 2.2) and 4.1, text or binary (little-endian); a ".msh" file is data
// here, never a script: one that does not begin with "$MeshFormat" is refused, so nothing
// in it is run. Written: version 2.2 as text (msh_writer.h, which the form-finding's
// results are written with too).
#pragma once

#include <string>
#include <string_view>

#include "mesh/surface_mesh.h"

namespace membrane {

// The mesh in `text` (the whole file; `name` names it in messages): every node; the
// triangles and quadrilaterals (corner nodes only, so second-order elements count as
// first-order ones; a quadrilateral split in two as SurfaceMesh::AddFace does); and the
// physical groups in the order of their dimension and number, named by their
// "$PhysicalNames" name or else their number, each with its nodes, its dimension, its line
// segments (a curve group) and its triangles (a surface group). Every count and node
// number is checked before it is used: a count larger than the rest of the file could
// hold is refused before anything is allocated. Throws ImportError.
SurfaceMesh ParseMsh(std::string_view text, const std::string& name);

// The mesh as an MSH 2.2 text file, every coordinate to the last bit: how the meshing of a
// geometry script hands its mesh back (gmsh_reader.h). In msh_writer.cpp.
std::string RenderMsh(const SurfaceMesh& mesh);

}  // namespace membrane
