// A plan model (".DAT") as a form-finding model: its plan mesh lifted to the start heights
// is the start shape, its held nodes are the supports, and the whole membrane carries one
// prestress.
#pragma once

#include "form/form_model.h"
#include "heightfield/model.h"

namespace membrane {

// `model` must be complete. Triangles with a corner that is no node are left out (the model
// check has reported them).
FormModel FormModelFromPlan(const Model& model, double stress);

}  // namespace membrane
