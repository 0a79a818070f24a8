// A form model written as the files a user would write: NAME.toml (the form model, see
// form_model_reader.h) and its surface NAME.obj beside it. Cables and supports are named by
// their nodes (the OBJ's vertices, numbered from 1). Used by "membrane generate" for the
// form-finding test shapes.
#pragma once

#include <string>

#include "form/form_model.h"

namespace membrane {

// Throws IoError when a file cannot be written; std::invalid_argument for a model of more
// than one membrane region (an OBJ surface has no groups to tell them apart).
void WriteFormModelFiles(const FormModel& model, const std::string& tomlPath);

}  // namespace membrane
