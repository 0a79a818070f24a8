#include "exchange/surface_import.h"

#include <algorithm>

#include "exchange/model_writer.h"
#include "exchange/node_numbering.h"
#include "exchange/surface_reader.h"

namespace membrane {

ImportSummary ImportSurface(const ImportRequest& request) {
    PlanModel plan = MakePlanModel(ReadSurface(request.surface, request.size, request.meshSeconds),
                                   request.held);
    NumberForElimination(plan);
    WriteModelFile(request.model, plan, request.surface);
    return {plan.nodes.size(), plan.triangles.size(),
            static_cast<std::size_t>(std::count(plan.held.begin(), plan.held.end(), true)),
            plan.mergedPoints};
}

}  // namespace membrane
