// The membrane a run found: the height of every node of a Model, and the lifted mesh that
// the report, the truss model file and the scene are made of.
#pragma once

#include <vector>

#include "heightfield/model.h"
#include "heightfield/steep_walls.h"

namespace membrane {

struct Solution {
    int iterations = 0;
    // Per node of the model (node table order): the computed height ("&SOLUTION").
    std::vector<double> heights;
    // Per node: the z of the lifted node, the height with values below 1e-10 in size
    // written as 0.
    std::vector<double> liftedZ;
    // Per element: the area of the lifted triangle; and their sum, the final area.
    std::vector<double> elementAreas;
    double area = 0.0;
    // The triangles that stand as near-vertical walls (steep_walls.h).
    SteepWalls walls;
};

// Lifts the model's nodes by `heights` (one per node), measures the lifted triangles and
// finds the walls among them.
Solution LiftMembrane(const Model& model, std::vector<double> heights, int iterations);

}  // namespace membrane
