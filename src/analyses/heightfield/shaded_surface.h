// The lifted membrane of a run as the 3D view draws it: vertex buffers of the shaded
// surface (coloured by height), of the mesh lines and of the held nodes, the heights of the
// colour bar, and the orbiting camera that looks at it. No graphics library here: the
// view uploads these buffers once and only sets the camera's matrix per frame.
//
// Above a limit of triangles the surface is thinned out by clustering nodes on a grid in
// the plan. Boundary nodes, held nodes and the lowest and highest node stay where they are,
// so the outline, the supports and the extent of the drawing are those of the membrane.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "heightfield/model.h"

namespace membrane {

// Triangles drawn in full; a larger membrane is drawn thinned out to at most this many.
constexpr std::int64_t kMaxDrawnTriangles = 200'000;

struct Rgb {
    float r, g, b;
};

// The colour of relative height t (0 the lowest node, 1 the highest; clamped): blue, cyan,
// green, yellow, red, linear between them.
Rgb HeightColour(double t);

struct Box3 {
    std::array<double, 3> min{0, 0, 0}, max{0, 0, 0};
    std::array<double, 3> Centre() const;
    // Half the diagonal.
    double Radius() const;
};

struct ShadedSurface {
    // Every position is taken relative to `origin` (the centre of the box), which keeps
    // the single-precision buffers exact enough far from the model's zero.
    std::array<double, 3> origin{0, 0, 0};
    // Nine floats a vertex (one vertex per drawn node): x y z, unit normal, colour r g b.
    // The normals point up (towards +z) whatever the order of the triangles' corners.
    std::vector<float> vertices;
    // Three vertex numbers a triangle; two a mesh line (every side of a drawn triangle
    // once); one a held node; two a side of a near-vertical wall.
    std::vector<std::uint32_t> triangles, lines, heldNodes, wallLines;
    Box3 box;  // of the drawn nodes, in model coordinates
    double zMin = 0, zMax = 0;
    std::int64_t modelTriangles = 0;
    std::int64_t drawnTriangles = 0;

    static constexpr int kFloatsPerVertex = 9;
    bool Empty() const { return triangles.empty(); }
    std::array<float, 3> Position(std::uint32_t vertex) const {
        const float* p = &vertices[vertex * kFloatsPerVertex];
        return {p[0], p[1], p[2]};
    }
    bool Thinned() const { return drawnTriangles < modelTriangles; }
    // Box in the buffers' coordinates (relative to origin).
    Box3 LocalBox() const;
};

// The membrane of `model` with its nodes at `liftedZ` (one per node, node table order).
// Elements of more than three nodes are drawn as fans of triangles; elements naming a node
// that is not in the table are left out. `walls` (positions in the element table) are the
// triangles outlined as near-vertical walls.
ShadedSurface BuildShadedSurface(const Model& model, const std::vector<double>& liftedZ,
                                 std::int64_t maxTriangles = kMaxDrawnTriangles,
                                 std::span<const std::int32_t> walls = {});

// The labels of the colour bar from the lowest to the highest height (`count` of them,
// evenly spaced), with as many decimals as the spread of the heights needs.
std::vector<std::string> ColourBarLabels(double zMin, double zMax, int count = 5);

// Column-major 4 x 4 matrix, as OpenGL takes it.
using Matrix4 = std::array<float, 16>;

// A camera that turns around a target point, z up. Angles in degrees.
struct OrbitCamera {
    double yaw = -60;     // around z, from the x axis to the direction the camera looks from
    double pitch = 30;    // above the plan; kept within ±89
    double distance = 1;  // from the target
    std::array<double, 3> target{0, 0, 0};
    double fieldOfView = 30;  // vertical
    double radius = 1;        // of the box framed, for the clipping planes

    // The whole box in sight from the default direction.
    void Frame(const Box3& box);
    // Mouse drags in pixels: half a degree a pixel.
    void Orbit(double dx, double dy);
    // Moves the target so that the point under the mouse follows it; `height` is the
    // viewport's height in pixels.
    void Pan(double dx, double dy, int height);
    // Wheel steps, positive towards the target.
    void Zoom(double steps);

    std::array<double, 3> Eye() const;
    // Unit vector from the target to the eye.
    std::array<double, 3> Towards() const;
    Matrix4 ViewProjection(double aspect) const;
};

// The normalised device coordinates (x, y in [-1, 1] on screen, z depth) of a point.
std::array<double, 3> Project(const Matrix4& m, const std::array<double, 3>& point);

}  // namespace membrane
