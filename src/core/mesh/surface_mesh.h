// A triangulated surface as a mesh file gives it: points in space, triangles between
// them, and named groups of points (Gmsh's physical groups). Nothing is merged, checked
// or renumbered yet; that is the plan model's job (plan_model.h).
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace membrane {

struct SurfacePoint {
    double x, y, z;
};

struct PointGroup {
    std::string name;
    std::vector<std::uint32_t> points;  // indices into SurfaceMesh::points
    // Where the file tells: the group's dimension (0 points, 1 curves, 2 surfaces; -1 when
    // unknown), a curve group's segments and a surface group's triangles (indices into
    // SurfaceMesh::triangles).
    int dimension = -1;
    std::vector<std::array<std::uint32_t, 2>> lines;
    std::vector<std::uint32_t> triangles;
};

struct SurfaceMesh {
    std::vector<SurfacePoint> points;
    std::vector<std::array<std::uint32_t, 3>> triangles;
    std::vector<PointGroup> groups;

    // Adds a face given by its corners in order: a triangle as it is, a quadrilateral as
    // two triangles split along its shorter diagonal in plan (the split that stays inside
    // a convex quadrilateral and keeps both halves the better shaped).
    void AddFace(std::span<const std::uint32_t> corners);
};

}  // namespace membrane
