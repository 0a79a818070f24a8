// Generated model files of membranes whose exact minimal surface is known, for checking
// the solver's answer against the exact one and for timing it on large meshes.
//
//   catenoid  annulus r_in <= r <= R around the origin, both circles held at the half
//             catenoid z = c arccosh(r / c). Log-polar grid: ring k has radius
//             r_in (R / r_in)^(k / nr), every ring has nt nodes, and alternate rings are
//             turned by half a step so that the triangles are nearly isosceles. With
//             ln(R / r_in) / nr close to 2 pi / nt every cell is nearly square. The
//             interior starts linear in r between the two boundary heights.
//   scherk    square |x|, |y| <= L < pi/2, edges held at Scherk's first surface
//             z = ln(cos y / cos x). The interior starts from a blend of the boundary
//             values: linear in x between the left and right edge and linear in y between
//             the bottom and top edge, each weighted by the inverse distance to its own
//             pair of edges. That start is smooth and close enough for the full Newton
//             step to converge at every mesh size.
//   square    unit square, flat: every height 0, which is already the minimal surface.
//
// Node numbers run 1..N, element numbers 1..E, every triangle is counter-clockwise in the
// plan, and every boundary node is held (listed in &CONSTRAINTS, its exact height in
// &INITIAL). The written file opens with the title line "FILE NAME.DAT", then the tables
// &COORDINATES, &ELEMENTS, &INITIAL, &CONSTRAINTS, each header followed by two blanks;
// numbers in fixed notation with 12 decimals; CR LF line ends.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace membrane {

enum class GeneratedShape { Catenoid, Scherk, FlatSquare };

// "catenoid", "scherk", "square"; nullopt for anything else.
std::optional<GeneratedShape> ParseGeneratedShape(const std::string& name);
std::string GeneratedShapeName(GeneratedShape shape);

// The parameters of the three problems.
struct CatenoidParameters {
    double c = 1.0;  // neck radius
    double innerRadius = 1.2;
    double outerRadius = 3.0;
};
struct ScherkParameters {
    double halfSide = 1.2;  // the square is [-halfSide, halfSide]^2
};

// Node counts accepted by GenerateModel.
constexpr std::int64_t kMinGeneratedNodes = 9;
constexpr std::int64_t kMaxGeneratedNodes = 20'000'000;

struct GeneratedModel {
    GeneratedShape shape = GeneratedShape::FlatSquare;
    // Node k (numbered k + 1): plan position, start height (the exact height for a held
    // node) and whether it is held.
    std::vector<double> x, y, start;
    std::vector<bool> held;
    // Corners as 0-based node indices, counter-clockwise.
    std::vector<std::array<std::int32_t, 3>> triangles;

    std::int32_t NodeCount() const { return static_cast<std::int32_t>(x.size()); }
    std::int32_t TriangleCount() const { return static_cast<std::int32_t>(triangles.size()); }
};

// A model of about `targetNodes` nodes (the grid makes the count come close, not exact).
// targetNodes must lie in [kMinGeneratedNodes, kMaxGeneratedNodes].
GeneratedModel GenerateModel(GeneratedShape shape, std::int64_t targetNodes);

// The exact minimal surface of the shape's problem at (x, y).
double ExactHeight(GeneratedShape shape, double x, double y);

// Area of the exact surface over the exact domain (the catenoid's annulus, not the
// inscribed polygon of the mesh).
double CatenoidExactArea(const CatenoidParameters& p = {});
double ScherkExactArea(const ScherkParameters& p = {});
double ExactArea(GeneratedShape shape);

// Area of the flat mesh, and of the triangles lifted to the given heights (one per node).
double PlanArea(const GeneratedModel& model);
double LiftedArea(const GeneratedModel& model, const std::vector<double>& heights);

// Writes the model file (the title line names the file). False when the file cannot be
// created; a write that fails half-way raises IoError. An earlier file of that name is
// replaced only by a complete new one.
bool WriteGeneratedModel(const GeneratedModel& model, const std::string& path);

// Writes the sidecar OUT.json beside OUT.DAT: counts, parameters, the exact area and the
// name of the exact height function. Same failure rules as WriteGeneratedModel.
bool WriteGeneratedSidecar(const GeneratedModel& model, const std::string& modelPath,
                           const std::string& sidecarPath);

}  // namespace membrane
