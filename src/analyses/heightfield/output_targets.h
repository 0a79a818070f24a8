// Before a run writes anything: every file it is to write may be written, and none of them
// is the model file or another file of the same run (a model named "x.OUT" would otherwise
// be overwritten by its own report).
#pragma once

#include <string>
#include <vector>

#include "common/messages.h"
#include "heightfield/run_model.h"

namespace membrane {

// The report, the truss model file and the caller's other outputs of a run of the request.
std::vector<std::string> RunOutputs(const RunRequest& request);

// Why the run may not write its files: the first target that is the model file or another
// target of the run, or that exists and may not be replaced. Empty when all may be
// written.
std::string RefusedOutputs(const RunRequest& request);

}  // namespace membrane
