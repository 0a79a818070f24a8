// The surface files of a membrane ("--export" of a run, "membrane export").
#pragma once

#include <string>
#include <vector>

#include "exchange/surface_export.h"
#include "model/model.h"
#include "model/solution.h"

namespace membrane {

// Writes every file, each atomically, and names it on stdout unless `quiet`. Exit status
// 0, or 5 when a file could not be written (the others are still tried).
int WriteSurfaceExports(const Model& model, const Solution& solution,
                        const std::vector<std::string>& files, bool quiet);

// The same for a surface already made (the shape of a form-finding run).
int WriteSurfaceFiles(const LiftedSurface& surface, const std::vector<std::string>& files,
                      bool quiet);

}  // namespace membrane
