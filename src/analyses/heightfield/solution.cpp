#include "heightfield/solution.h"

#include <cmath>

#include "heightfield/mesh_area.h"

namespace membrane {

Solution LiftMembrane(const Model& model, std::vector<double> heights, int iterations) {
    Solution solution;
    solution.iterations = iterations;
    solution.heights = std::move(heights);
    solution.liftedZ.reserve(solution.heights.size());
    for (const double h : solution.heights) {
        const double z = 0.0 + h;  // the plan's z plus the height: -0 lifts to +0
        solution.liftedZ.push_back(std::fabs(z) < 1e-10 ? 0.0 : z);
    }
    MeshAreas areas = ComputeMeshAreas(model.nodes, model.elements, solution.liftedZ);
    solution.elementAreas = std::move(areas.elements);
    solution.area = areas.total;
    solution.walls = FindSteepWalls(model, solution.liftedZ, solution.elementAreas);
    return solution;
}

}  // namespace membrane
