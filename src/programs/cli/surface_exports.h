// The surface files of a membrane ("--export" of a run, "membrane export") or of a form
// found in 3D ("membrane form --export").
#pragma once

#include <string>
#include <vector>

#include "formats/surface_export.h"
#include "heightfield/model.h"
#include "heightfield/solution.h"

namespace membrane {

// The seconds one file took to write.
struct FileTiming {
    std::string file;
    double seconds = 0.0;
};

// Writes every file, each atomically. Unless `quiet`, a progress line before each
// ("writing      : FILE ...") and its name after it ("surface      : FILE"). Appends the
// time of every file written to `timings` when given. Exit status 0, or 5 when a file could
// not be written (the others are still tried).
int WriteSurfaceExports(const Model& model, const Solution& solution,
                        const std::vector<std::string>& files, bool quiet,
                        std::vector<FileTiming>* timings = nullptr);

// The same for a surface already made (the shape of a form-finding run).
int WriteSurfaceFiles(const LiftedSurface& surface, const std::vector<std::string>& files,
                      bool quiet, std::vector<FileTiming>* timings = nullptr);

// "file         : 0.1234 s  FILE" per file, for --timings.
void PrintFileTimings(const std::vector<FileTiming>& timings);

}  // namespace membrane
