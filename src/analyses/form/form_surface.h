// The shape of a form-finding run as a surface for the exporters.
#pragma once

#include "form/form_model.h"
#include "form/form_solution.h"
#include "formats/surface_export.h"

namespace membrane {

// The triangles as the model has them, the normals along their corners' right-hand rule
// (a form is no height field: nothing is turned to face up).
LiftedSurface FormSurface(const FormModel& model, const FormSolution& solution);

}  // namespace membrane
