// The report file (".OUT") and the truss model file (".TRS") of a successful run.
//
// The report echoes the model tables, states the iteration count and the accuracy, and
// lists the computed heights ("&SOLUTION"). The truss model file is an INI-like text for a
// separate truss analysis: every triangle side a bar, every held node a support in x, y
// and z, and one third of each triangle's weight as a load on each of its corners.
// Both are written to temporary files beside their targets and renamed into place only
// when complete, so an error half-way leaves the previous files as they were.
#pragma once

#include <string>

#include "common/run_state.h"

namespace membrane {

// Also lifts the node table by the heights and shows the final area. Throws IoError when
// a write fails.
void WriteOutput(RunState& state, int iterationCount, const std::string& reportFileName, double accuracy);

}  // namespace membrane
