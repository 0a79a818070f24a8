#include "heightfield/surface_import.h"

#include <algorithm>

#include "common/file_lock.h"
#include "formats/import_error.h"
#include "formats/surface_reader.h"
#include "heightfield/model_writer.h"
#include "heightfield/node_numbering.h"

namespace membrane {

ImportSummary ImportSurface(const ImportRequest& request) {
    const auto stopIfCancelled = [&request] {
        if (request.cancel && request.cancel->load()) throw ImportCancelled();
    };
    SurfaceMesh surface = ReadSurface(request.surface, request.size, request.meshSeconds);
    stopIfCancelled();
    PlanModel plan = MakePlanModel(surface, request.held);
    surface = {};
    stopIfCancelled();
    NumberForElimination(plan);
    stopIfCancelled();
    {
        const FileLock lock(request.model, request.waiting);
        stopIfCancelled();
        WriteModelFile(request.model, plan, request.surface);
    }
    return {plan.nodes.size(), plan.triangles.size(),
            static_cast<std::size_t>(std::count(plan.held.begin(), plan.held.end(), true)),
            plan.mergedPoints};
}

}  // namespace membrane
