// The files of a height-field run, for the run shell's refusal of outputs
// (shell/run_files.h): the model file it reads, the boundary points file it writes
// whatever the outcome, the report and the truss model file, and the caller's other
// outputs.
#pragma once

#include "heightfield/run_model.h"
#include "shell/run_files.h"

namespace membrane {

// Nothing for a request without a model file.
RunFiles RunFilesOf(const RunRequest& request);

}  // namespace membrane
