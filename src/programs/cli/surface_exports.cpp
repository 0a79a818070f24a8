#include "cli/surface_exports.h"

#include <chrono>
#include <cstdio>
#include <stdexcept>

#include "cli/run_command.h"
#include "common/io_error.h"
#include "common/number_format.h"
#include "formats/surface_export.h"
#include "heightfield/lifted_surface.h"

namespace membrane {

int WriteSurfaceExports(const Model& model, const Solution& solution,
                        const std::vector<std::string>& files, bool quiet,
                        std::vector<FileTiming>* timings) {
    if (files.empty()) return kExitSuccess;
    return WriteSurfaceFiles(LiftSurface(model, solution.liftedZ), files, quiet, timings);
}

int WriteSurfaceFiles(const LiftedSurface& surface, const std::vector<std::string>& files,
                      bool quiet, std::vector<FileTiming>* timings) {
    using Clock = std::chrono::steady_clock;
    int status = kExitSuccess;
    for (const std::string& file : files) {
        if (!quiet) {
            std::printf("writing      : %s ...\n", file.c_str());
            std::fflush(stdout);
        }
        const Clock::time_point start = Clock::now();
        try {
            ExportSurface(file, surface);
            if (timings)
                timings->push_back(
                    {file, std::chrono::duration<double>(Clock::now() - start).count()});
            if (!quiet) std::printf("surface      : %s\n", file.c_str());
        } catch (const std::exception& e) {  // IoError, or a name of no known format
            std::fprintf(stderr, "Can not export the membrane to %s: %s\n", file.c_str(), e.what());
            status = kExitOutputFailure;
        }
        std::fflush(stdout);
    }
    return status;
}

void PrintFileTimings(const std::vector<FileTiming>& timings) {
    for (const FileTiming& t : timings)
        std::printf("file         : %s s  %s\n", FormatFixed(t.seconds, 15, 4).c_str(),
                    t.file.c_str());
    std::fflush(stdout);
}

}  // namespace membrane
