// "Import": a surface file made into a model file that runs as it is.
#pragma once

#include <atomic>
#include <cstddef>
#include <functional>
#include <string>

#include "formats/gmsh_reader.h"
#include "heightfield/plan_model.h"

namespace membrane {

struct ImportRequest {
    std::string surface;                // .msh, .geo, .obj, .stl or .ply
    std::string model;                  // the model file to write
    double size = 0.0;                  // element size of a meshed .geo (0: the file's own sizes)
    double meshSeconds = kMeshSeconds;  // time a .geo may take to mesh
    HeldChoice held;
    // Called once when a run of the model (or another import of it) holds its lock: the
    // import waits for it to end before it replaces the file.
    std::function<void()> waiting;
    // Set (on another thread) to stop the import at its next step: ImportCancelled is
    // thrown and nothing written.
    const std::atomic<bool>* cancel = nullptr;
};

struct ImportSummary {
    std::size_t nodes = 0, triangles = 0, held = 0, mergedPoints = 0;
};

// Reads, checks and writes, the model file under its lock (common/file_lock.h) as a run
// holds it; nothing is written when it fails. Throws ImportError for a
// surface that cannot be made into a model (ImportCancelled when cancelled), IoError when
// the model file cannot be written.
ImportSummary ImportSurface(const ImportRequest& request);

}  // namespace membrane
