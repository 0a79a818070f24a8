// Form-finding models written by hand: a TOML file (https://toml.io) that names a surface
// file and says which of its parts are membrane, cables and supports, with their prestress,
// forces and pressure. Read with toml++, whose source positions name the line of every
// fault.
//
//   [units]                       # required: what the numbers below are in
//   force = "kN"                  # "kN" or "N"
//   length = "m"                  # "m" or "mm"
//
//   [surface]
//   file = "sail.geo"             # Gmsh .geo/.msh, OBJ, STL or PLY, beside this file
//   mesh_size = 0.5               # optional: the element size a .geo is meshed with
//
//   [solver]                      # optional
//   accuracy = 1e-6               # largest movement across the shape when converged
//   max_iterations = 100
//
//   [[membrane]]                  # one table per region (at least one)
//   group = "sail"                # a physical surface; left out: the triangles of no other region
//   prestress = 2.0               # isotropic prestress, force / length
//   pressure = 0.0                # optional, force / length^2, along the triangles' normal
//
//   [[cable]]                     # any number
//   group = "north edge"          # a physical curve (or a group of points along mesh sides)
//   nodes = [1, 2, 3]             # or: the surface's points by number (from 1), in order
//   force = 20.0
//
//   [[support]]                   # at least one
//   group = "corners"             # the points of a physical group of any dimension,
//   nodes = [4, 17]               # the surface's points by number,
//   near = [[0, 0, 0], [10, 0, 0]]  # the point nearest to each of these places,
//   boundary = true               # or every point of the surface's boundary
//
// Every table may carry a `name` (default: its group, or "membrane 1", "cable 2", ...). An
// unknown key or table, a value of the wrong kind, a negative prestress, a group the
// surface lacks, a cable group that is no curve, no support: an error naming the file, the
// line and the key. The surface's points that coincide (within 1e-9 of its size) are
// merged first; points of no triangle and no cable are left out.
#pragma once

#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "form/form_model.h"
#include "mesh/surface_mesh.h"

namespace membrane {

// Every fault found, one message each ("FILE:LINE: ..."), so that the user mends them all
// in one go.
class FormInputError : public std::runtime_error {
  public:
    explicit FormInputError(std::vector<std::string> messages);
    const std::vector<std::string>& Messages() const { return messages_; }

  private:
    std::vector<std::string> messages_;
};

// Reads a surface file (path, element size for a .geo); throws ImportError.
using SurfaceLoader = std::function<SurfaceMesh(const std::string& path, double size)>;

// The model of the TOML text `text` read from `path`; surface files are looked up beside
// it. Throws FormInputError. FinishFormModel has been applied; CheckFormModel has not.
FormModel ParseFormModel(std::string_view text, const std::string& path,
                         const SurfaceLoader& loadSurface);

// The same for a file on disk, its surface read by the import's readers.
FormModel ReadFormModel(const std::string& path);

}  // namespace membrane
