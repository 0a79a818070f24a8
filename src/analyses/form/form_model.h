// A 3D form-finding model: a triangulated surface in space whose free nodes move in x, y
// and z until the prestress of its membrane regions, the forces of its edge cables and the
// pressure on it are in equilibrium, held by its supports. Units: kN and m throughout.
//
// After loading it does not change: the form-finding run, its writers and every window
// that shows it share it as a std::shared_ptr<const FormModel>.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "common/vec3.h"
#include "linalg/solver_choice.h"

namespace membrane {

// A part of the membrane with one prestress (and pressure).
struct MembraneRegion {
    std::string name;
    double stress = 0.0;    // isotropic prestress sigma, kN/m (> 0)
    double pressure = 0.0;  // p, kN/m^2, acting along the triangles' normal (right-hand
                            // rule of their corners)
};

// A chain of nodes joined by straight segments that carries one force along its length.
struct CableSpec {
    std::string name;
    double force = 0.0;               // S, kN (> 0)
    std::vector<std::int32_t> nodes;  // in order along the cable; closed when first == last
    bool Closed() const { return nodes.size() > 2 && nodes.front() == nodes.back(); }
};

// Nodes held in place (a mast head, a mast ring, anchor points, a rigid edge).
struct SupportSpec {
    std::string name;
    std::vector<std::int32_t> nodes;
};

// How the form-finding iteration runs.
struct FormSettings {
    // The run has converged when no free node moved by more than this (m) in the last
    // iteration.
    double accuracy = 1e-6;
    int maxIterations = 200;
    // Which back-end solves the equilibrium's linear systems.
    SolverChoice solver = SolverChoice::Auto;
};

struct FormModel {
    std::string fileName;     // the model file as the user named it (.toml or .DAT)
    std::string surfaceFile;  // the surface the mesh came from (the model file for a .DAT)
    // The model file's text as it was read (a form model's TOML), for the analyses that
    // read their own tables from the same file (loads, patterns); null for a plan model.
    std::shared_ptr<const std::string> source;

    std::vector<Vec3> start;           // per node: where it starts (its place if held)
    std::vector<std::int64_t> labels;  // per node: its number as the user knows it
    std::vector<std::array<std::int32_t, 3>> triangles;  // node indices
    std::vector<std::int32_t> triangleRegion;            // per triangle: index into regions
    std::vector<MembraneRegion> regions;
    std::vector<CableSpec> cables;
    std::vector<SupportSpec> supports;
    FormSettings settings;

    // Derived when the model is complete (FinishFormModel).
    std::vector<char> held;  // per node: 1 when some support holds it
    double extent = 0.0;     // the diagonal of the start's bounding box

    std::size_t NodeCount() const { return start.size(); }
};

// Works out the derived members.
void FinishFormModel(FormModel& model);

// What makes the model impossible to form-find, one text each (empty: none): a stress or
// force that is not a positive finite number, a corner or cable node that is no node, a
// triangle without area at the start, no support at all, a part of the mesh that no
// support holds. Names regions, cables and nodes by the user's names and numbers.
std::vector<std::string> CheckFormModel(const FormModel& model);

}  // namespace membrane
