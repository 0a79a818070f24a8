#include "cli/surface_exports.h"

#include <cstdio>
#include <stdexcept>

#include "cli/run_command.h"
#include "common/io_error.h"
#include "exchange/surface_export.h"

namespace membrane {

int WriteSurfaceExports(const Model& model, const Solution& solution,
                        const std::vector<std::string>& files, bool quiet) {
    if (files.empty()) return kExitSuccess;
    return WriteSurfaceFiles(LiftSurface(model, solution.liftedZ), files, quiet);
}

int WriteSurfaceFiles(const LiftedSurface& surface, const std::vector<std::string>& files,
                      bool quiet) {
    int status = kExitSuccess;
    for (const std::string& file : files) {
        try {
            ExportSurface(file, surface);
            if (!quiet) std::printf("surface      : %s\n", file.c_str());
        } catch (const std::exception& e) {  // IoError, or a name of no known format
            std::fprintf(stderr, "Can not export the membrane to %s: %s\n", file.c_str(), e.what());
            status = kExitOutputFailure;
        }
    }
    std::fflush(stdout);
    return status;
}

}  // namespace membrane
