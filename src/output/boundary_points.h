// The boundary of the mesh and the boundary points file "BNDRYPTS.txt".
//
// A triangle side that belongs to one triangle only is a boundary side. The nodes on the
// boundary are written as a ready-made "&CONSTRAINTS" table, so that a user who wants the
// whole edge held can paste it into the model file.
#pragma once

#include <string>

#include "common/run_state.h"

namespace membrane {

// Fills the edge-pair list (sides met an odd number of times, as (smaller, larger) node)
// and the boundary node list (ascending, each once). True when a boundary side was found.
bool FindBoundaryNodes(RunState& state);

// Writes the boundary points file to `path` (through a temporary file, so an old file is
// replaced only by a complete new one). `when` is the creation time text. False when it
// cannot be created; no message. A write that fails half-way raises IoError and leaves
// any earlier file as it was.
bool WriteBoundaryPointsFile(const RunState& state, const std::string& path, const std::string& when);

// Local date and time as the file's "- created : " line shows it.
std::string CurrentDateTimeText();

// Where the file goes: the preferred path (beside the program) when its directory is
// writable, otherwise beside the model file, so that it is not silently lost on an
// installation whose program directory is read-only.
std::string ChooseBoundaryPointsPath(const std::string& preferred, const std::string& modelFileName);

}  // namespace membrane
