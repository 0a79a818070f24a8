// The boundary points file "BNDRYPTS.txt": every boundary node of the mesh as a
// ready-made "&CONSTRAINTS" table, so that a user who wants the whole edge held can paste
// it into the model file.
//
//   TEXT FILE
//   - ALL BOUNDARY POINTS FROM RECENT BRIMEL.EXE CALCULATION
//   - usage   : if needed adjust *.dat model with this list
//   - model   : MODEL FILE NAME
//   - created : YYYY-MM-DD HH:MM:SS
//   (blank)
//   &CONSTRAINTS n          then "   " node number, ascending
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "common/text_sink.h"

namespace membrane {

void RenderBoundaryPoints(TextSink& out, const std::string& modelFileName,
                          std::span<const std::int32_t> nodes, const std::string& when);

// Writes the file to `path` through a temporary file, so an old file is replaced only by
// a complete new one. False when it cannot be created (no message). A write that fails
// half-way raises IoError and leaves any earlier file as it was.
bool WriteBoundaryPointsFile(const std::string& path, const std::string& modelFileName,
                             std::span<const std::int32_t> nodes, const std::string& when);

// Local date and time as the file's "- created : " line shows it.
std::string CurrentDateTimeText();

// Where the file goes: the preferred path (beside the program) when its directory is
// writable, otherwise beside the model file, so that it is not silently lost on an
// installation whose program directory is read-only.
std::string ChooseBoundaryPointsPath(const std::string& preferred,
                                     const std::string& modelFileName);

}  // namespace membrane
