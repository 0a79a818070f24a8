// Triangles of a plan mesh that overlap: a surface that folds over itself, winds round a
// point more than once or lies in two layers, whether or not the layers share points.
#pragma once

#include "heightfield/plan_model.h"

namespace membrane {

// Throws ImportError naming two triangles whose insides overlap in plan, or a triangle and
// a node that lies inside one of its sides without being its corner (a T-junction: the
// meshes on the two sides of that line do not meet at their nodes). The triangles must be
// counter-clockwise. Pairs are found through a uniform grid of cells about the size of a
// typical triangle, so a mesh of triangles of like sizes costs time in proportion to
// their number.
void CheckPlanOverlaps(const PlanModel& plan);

}  // namespace membrane
