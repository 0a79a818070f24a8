// The shape a form-finding run found and the forces in it: an equilibrium of the nodes
// under the stresses and cable forces it lists (each within a stated deviation of the
// prestress and cable forces asked for), the loads and the reactions of the supports.
// Units: kN and m.
#pragma once

#include <vector>

#include "common/vec3.h"
#include "form/form_mechanics.h"

namespace membrane {

struct CableResult {
    double smallestForce = 0.0, largestForce = 0.0;  // over its segments, kN
    double length = 0.0;                             // m
    double sag = 0.0;  // the largest distance of a node from the chord of its ends (0 closed)
};

// One iteration of the form-finding.
struct FormStepRecord {
    int iteration = 0;
    double movement = 0.0;     // the largest movement of a free node across the shape (m)
    double energy = 0.0;       // W of the shape after the step (kN m)
    bool accelerated = false;  // the step went beyond the plain iterate (Anderson)
};

struct FormSolution {
    int iterations = 0;
    bool converged = false;
    double movement = 0.0;  // the same in the last iteration (m)

    std::vector<Vec3> shape;  // per node
    // Per triangle: the principal stresses it carries (kN/m), its area.
    std::vector<PrincipalStresses> stresses;
    std::vector<double> triangleAreas;
    std::vector<CableResult> cables;  // per cable of the model
    // Per node: the load applied there (the pressure's share) and, at a held node, the
    // force its support exerts on the membrane (zero elsewhere).
    std::vector<Vec3> loads;
    std::vector<Vec3> reactions;

    double area = 0.0;  // of the whole membrane, m^2
    // The largest out-of-balance force at a free node of this state (kN), and the largest
    // one the same shape would have with every stress and cable force exactly as asked.
    double residual = 0.0;
    double prescribedResidual = 0.0;
    // The largest difference of a principal stress from its region's prestress (kN/m) and
    // of a cable segment's force from its cable's force (kN).
    double stressDeviation = 0.0;
    double cableDeviation = 0.0;
    double smallestAngleBefore = 0.0, smallestAngleAfter = 0.0;  // degrees
};

}  // namespace membrane
