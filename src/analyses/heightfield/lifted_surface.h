// The membrane of a height-field run as a surface for the exporters.
#pragma once

#include <span>

#include "formats/surface_export.h"
#include "heightfield/model.h"

namespace membrane {

// Node i of the model at (x, y, z[i]); triangles counter-clockwise in plan, normals per
// node, area-weighted, unit, pointing up.
LiftedSurface LiftSurface(const Model& model, std::span<const double> z);

}  // namespace membrane
