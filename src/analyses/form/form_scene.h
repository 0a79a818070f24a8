// The shape of a form-finding run as the 3D view draws it: vertex buffers of the surface
// coloured by a chosen field, its mesh lines, the cables' segments, the held nodes and the
// outlines of the triangles that collapsed or turned over. No graphics library here: the
// view uploads these buffers once per shape and only sets the camera's matrix per frame.
//
// A thinned-out copy (for the frames drawn while the mouse turns the view) clusters the
// nodes on a grid of cubes, the nodes of cables and supports kept where they are: a form is
// no height field, so the plan grid of the height-field view would fold its walls together.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "form/form_model.h"
#include "form/form_solution.h"
#include "heightfield/shaded_surface.h"

namespace membrane {

// What colours the surface.
enum class FormField {
    Height,       // z of the node, m
    MajorStress,  // the larger principal stress, kN/m (area-weighted mean around a node)
    MinorStress,  // the smaller one
    Quality,      // the smallest angle of the triangles around a node, degrees
};
constexpr int kFormFieldCount = 4;
// "height z", "major principal stress", ... and its unit ("m", "kN/m", "degrees").
const char* FormFieldName(FormField field);
const char* FormFieldUnit(FormField field);

// Per node: the field's value at the shape `solution` found (a run that ended without an
// equilibrium has no stresses: their field is then zero everywhere).
std::vector<double> FormFieldValues(const FormModel& model, const FormSolution& solution,
                                    FormField field);

// The triangles (indices) whose area at the shape found is below `share` of their area at
// the start: where the membrane collapsed. (A normal turned against the start's tells
// nothing: a run's shape may rightly turn a part of the membrane by 90 degrees and more.)
std::vector<std::int32_t> CollapsedTriangles(const FormModel& model, const std::vector<Vec3>& shape,
                                             double share = 0.02);

struct FormScene {
    // Every position relative to `origin` (the centre of the box) for single precision.
    std::array<double, 3> origin{0, 0, 0};
    // Nine floats a vertex (one per drawn node): x y z, unit normal, colour r g b.
    std::vector<float> vertices;
    // Three vertex numbers a triangle; two a mesh line; two a cable segment; one a held
    // node; two a side of a collapsed triangle.
    std::vector<std::uint32_t> triangles, lines, cableLines, heldNodes, collapsedLines;
    Box3 box;  // of the drawn nodes, model coordinates
    double valueMin = 0, valueMax = 0;
    std::int64_t modelTriangles = 0, drawnTriangles = 0;

    static constexpr int kFloatsPerVertex = 9;
    bool Empty() const { return triangles.empty() && cableLines.empty(); }
    bool Thinned() const { return drawnTriangles < modelTriangles; }
    Box3 LocalBox() const;
};

// The shape with node values `values` (coloured from their smallest to their largest);
// above `maxTriangles` triangles the thinned-out copy.
FormScene BuildFormScene(const FormModel& model, const std::vector<Vec3>& shape,
                         const std::vector<double>& values,
                         const std::vector<std::int32_t>& collapsed,
                         std::int64_t maxTriangles = kMaxDrawnTriangles);

}  // namespace membrane
