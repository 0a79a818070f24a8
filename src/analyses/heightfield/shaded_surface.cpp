#include "heightfield/shaded_surface.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <numbers>

namespace membrane {

namespace {

using Point = std::array<double, 3>;
using Triangle = std::array<std::int32_t, 3>;

Point Minus(const Point& a, const Point& b) {
    return {a[0] - b[0], a[1] - b[1], a[2] - b[2]};
}
Point Cross(const Point& a, const Point& b) {
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}
double Dot(const Point& a, const Point& b) {
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
}
Point Normalized(const Point& a) {
    const double length = std::sqrt(Dot(a, a));
    if (length == 0) return {0, 0, 1};
    return {a[0] / length, a[1] / length, a[2] / length};
}
double Radians(double degrees) {
    return degrees * std::numbers::pi / 180.0;
}

// The membrane as points and triangles between them, before it becomes buffers.
struct Surface {
    std::vector<Point> points;
    std::vector<Triangle> triangles;
    std::vector<std::int32_t> held;                      // points of held nodes
    std::vector<std::array<std::int32_t, 2>> wallSides;  // points of the walls' sides
};

Surface FullSurface(const Model& model, const std::vector<double>& liftedZ,
                    std::span<const std::int32_t> walls) {
    Surface surface;
    const auto& nodes = model.nodes.Nodes();
    surface.points.reserve(nodes.size());
    for (std::size_t k = 0; k < nodes.size(); ++k)
        surface.points.push_back({nodes[k].x, nodes[k].y, k < liftedZ.size() ? liftedZ[k] : 0.0});
    surface.triangles.reserve(model.elements.Elements().size());
    std::vector<std::int32_t> corners;
    for (const ElementEntry& element : model.elements.Elements()) {
        corners.clear();
        for (const std::int32_t number : model.elements.NodesOf(element))
            corners.push_back(model.nodes.IndexOf(number));
        if (corners.size() < 3 || std::find(corners.begin(), corners.end(), -1) != corners.end())
            continue;
        for (std::size_t k = 1; k + 1 < corners.size(); ++k)
            surface.triangles.push_back({corners[0], corners[k], corners[k + 1]});
    }
    for (const auto& entry : model.constraints.Entries()) {
        const std::int32_t index = model.nodes.IndexOf(entry.value);
        if (index >= 0) surface.held.push_back(index);
    }
    std::sort(surface.held.begin(), surface.held.end());
    surface.held.erase(std::unique(surface.held.begin(), surface.held.end()), surface.held.end());
    const auto& elements = model.elements.Elements();
    for (const std::int32_t k : walls) {
        if (k < 0 || static_cast<std::size_t>(k) >= elements.size()) continue;
        corners.clear();
        for (const std::int32_t number : model.elements.NodesOf(elements[k]))
            corners.push_back(model.nodes.IndexOf(number));
        if (std::find(corners.begin(), corners.end(), -1) != corners.end()) continue;
        for (std::size_t c = 0; c < corners.size(); ++c)
            surface.wallSides.push_back({corners[c], corners[(c + 1) % corners.size()]});
    }
    return surface;
}

// The surface with the nodes of each plan cell of side `cell` merged into one point at
// their mean, except the nodes marked in `keep`; triangles that lose a corner that way go.
Surface Clustered(const Surface& full, const std::vector<bool>& keep, double cell) {
    double xMin = std::numeric_limits<double>::max(), yMin = xMin;
    double xMax = std::numeric_limits<double>::lowest(), yMax = xMax;
    for (const Point& p : full.points) {
        xMin = std::min(xMin, p[0]);
        xMax = std::max(xMax, p[0]);
        yMin = std::min(yMin, p[1]);
        yMax = std::max(yMax, p[1]);
    }
    const auto columns = static_cast<std::int64_t>((xMax - xMin) / cell) + 1;
    const auto rows = static_cast<std::int64_t>((yMax - yMin) / cell) + 1;
    std::vector<std::int32_t> cellPoint(static_cast<std::size_t>(columns * rows), -1);

    Surface thin;
    std::vector<std::int32_t> pointOf(full.points.size());
    std::vector<double> members;
    for (std::size_t k = 0; k < full.points.size(); ++k) {
        const Point& p = full.points[k];
        std::int32_t& slot = keep[k]
                                 ? pointOf[k]
                                 : cellPoint[static_cast<std::size_t>(
                                       static_cast<std::int64_t>((p[1] - yMin) / cell) * columns +
                                       static_cast<std::int64_t>((p[0] - xMin) / cell))];
        if (keep[k] || slot < 0) {
            slot = static_cast<std::int32_t>(thin.points.size());
            thin.points.push_back({0, 0, 0});
            members.push_back(0);
        }
        pointOf[k] = slot;
        Point& sum = thin.points[slot];
        for (int axis = 0; axis < 3; ++axis) sum[axis] += p[axis];
        members[slot] += 1;
    }
    for (std::size_t k = 0; k < thin.points.size(); ++k)
        for (double& coordinate : thin.points[k]) coordinate /= members[k];

    for (const Triangle& t : full.triangles) {
        Triangle mapped{pointOf[t[0]], pointOf[t[1]], pointOf[t[2]]};
        if (mapped[0] == mapped[1] || mapped[1] == mapped[2] || mapped[0] == mapped[2]) continue;
        std::sort(mapped.begin(), mapped.end());
        thin.triangles.push_back(mapped);
    }
    std::sort(thin.triangles.begin(), thin.triangles.end());
    thin.triangles.erase(std::unique(thin.triangles.begin(), thin.triangles.end()),
                         thin.triangles.end());
    for (const std::int32_t h : full.held) thin.held.push_back(pointOf[h]);
    for (const auto& [a, b] : full.wallSides)
        if (pointOf[a] != pointOf[b]) thin.wallSides.push_back({pointOf[a], pointOf[b]});
    return thin;
}

Surface Thinned(const Model& model, const Surface& full, std::int64_t maxTriangles) {
    std::vector<bool> keep(full.points.size(), false);
    for (const std::int32_t number : model.boundary.nodes) {
        const std::int32_t index = model.nodes.IndexOf(number);
        if (index >= 0) keep[index] = true;
    }
    for (const std::int32_t h : full.held) keep[h] = true;
    std::vector<bool> used(full.points.size(), false);
    for (const Triangle& t : full.triangles)
        for (const std::int32_t k : t) used[k] = true;
    std::int32_t lowest = -1, highest = -1;
    for (std::size_t k = 0; k < full.points.size(); ++k) {
        if (!used[k]) continue;
        const auto index = static_cast<std::int32_t>(k);
        if (lowest < 0 || full.points[k][2] < full.points[lowest][2]) lowest = index;
        if (highest < 0 || full.points[k][2] > full.points[highest][2]) highest = index;
    }
    if (lowest >= 0) keep[lowest] = keep[highest] = true;

    // Start with about two triangles a cell over the plan's bounding square and coarsen
    // until the count fits (a few rounds at most: the count falls with the cell's area).
    double extent = 0;
    for (int axis = 0; axis < 2; ++axis) {
        double lo = std::numeric_limits<double>::max(), hi = std::numeric_limits<double>::lowest();
        for (const Point& p : full.points) {
            lo = std::min(lo, p[axis]);
            hi = std::max(hi, p[axis]);
        }
        extent = std::max(extent, hi - lo);
    }
    double cell = extent / std::sqrt(static_cast<double>(maxTriangles) / 2.0);
    Surface thin = Clustered(full, keep, cell);
    for (int round = 0;
         round < 20 && static_cast<std::int64_t>(thin.triangles.size()) > maxTriangles; ++round) {
        cell *= std::max(1.1, std::sqrt(static_cast<double>(thin.triangles.size()) /
                                        static_cast<double>(maxTriangles)));
        thin = Clustered(full, keep, cell);
    }
    return thin;
}

void Append(std::vector<float>& buffer, const Point& p) {
    for (const double v : p) buffer.push_back(static_cast<float>(v));
}

}  // namespace

Rgb HeightColour(double t) {
    static constexpr Rgb kStops[] = {{0.0f, 0.0f, 1.0f},
                                     {0.0f, 1.0f, 1.0f},
                                     {0.0f, 1.0f, 0.0f},
                                     {1.0f, 1.0f, 0.0f},
                                     {1.0f, 0.0f, 0.0f}};
    constexpr int kLast = 4;
    if (!(t > 0)) return kStops[0];  // NaN included
    if (t >= 1) return kStops[kLast];
    const double at = t * kLast;
    const int k = std::min(kLast - 1, static_cast<int>(at));
    const auto f = static_cast<float>(at - k);
    const Rgb& a = kStops[k];
    const Rgb& b = kStops[k + 1];
    return {a.r + (b.r - a.r) * f, a.g + (b.g - a.g) * f, a.b + (b.b - a.b) * f};
}

std::array<double, 3> Box3::Centre() const {
    return {(min[0] + max[0]) / 2, (min[1] + max[1]) / 2, (min[2] + max[2]) / 2};
}

double Box3::Radius() const {
    const Point diagonal = Minus(max, min);
    return std::sqrt(Dot(diagonal, diagonal)) / 2;
}

Box3 ShadedSurface::LocalBox() const {
    return {Minus(box.min, origin), Minus(box.max, origin)};
}

ShadedSurface BuildShadedSurface(const Model& model, const std::vector<double>& liftedZ,
                                 std::int64_t maxTriangles, std::span<const std::int32_t> walls) {
    ShadedSurface mesh;
    Surface surface = FullSurface(model, liftedZ, walls);
    mesh.modelTriangles = static_cast<std::int64_t>(surface.triangles.size());
    if (mesh.modelTriangles > maxTriangles) surface = Thinned(model, surface, maxTriangles);
    mesh.drawnTriangles = static_cast<std::int64_t>(surface.triangles.size());
    if (surface.triangles.empty()) return mesh;

    // The box and the heights of the drawn nodes.
    std::vector<bool> drawn(surface.points.size(), false);
    for (const Triangle& t : surface.triangles)
        for (const std::int32_t k : t) drawn[k] = true;
    for (const std::int32_t h : surface.held) drawn[h] = true;
    bool first = true;
    for (std::size_t k = 0; k < surface.points.size(); ++k) {
        if (!drawn[k]) continue;
        for (int axis = 0; axis < 3; ++axis) {
            const double v = surface.points[k][axis];
            mesh.box.min[axis] = first ? v : std::min(mesh.box.min[axis], v);
            mesh.box.max[axis] = first ? v : std::max(mesh.box.max[axis], v);
        }
        first = false;
    }
    mesh.origin = mesh.box.Centre();
    mesh.zMin = mesh.box.min[2];
    mesh.zMax = mesh.box.max[2];

    // Smooth normals: the area-weighted mean of the up-turned normals of the triangles
    // around a node, so that corners given in either order shade alike.
    std::vector<Point> normals(surface.points.size(), Point{0, 0, 0});
    for (const Triangle& t : surface.triangles) {
        const Point& a = surface.points[t[0]];
        Point n = Cross(Minus(surface.points[t[1]], a), Minus(surface.points[t[2]], a));
        if (n[2] < 0) n = {-n[0], -n[1], -n[2]};
        for (const std::int32_t k : t)
            for (int axis = 0; axis < 3; ++axis) normals[k][axis] += n[axis];
    }
    for (Point& n : normals) n = Normalized(n);

    // One vertex per drawn point, numbered in point order.
    const double spread = mesh.zMax - mesh.zMin;
    std::vector<std::uint32_t> vertexOf(surface.points.size(), 0);
    std::uint32_t vertices = 0;
    for (std::size_t k = 0; k < surface.points.size(); ++k) {
        if (!drawn[k]) continue;
        vertexOf[k] = vertices++;
        const Point& p = surface.points[k];
        Append(mesh.vertices, Minus(p, mesh.origin));
        Append(mesh.vertices, normals[k]);
        const Rgb colour = HeightColour(spread > 0 ? (p[2] - mesh.zMin) / spread : 0.5);
        mesh.vertices.insert(mesh.vertices.end(), {colour.r, colour.g, colour.b});
    }
    mesh.triangles.reserve(surface.triangles.size() * 3);
    for (const Triangle& t : surface.triangles)
        for (const std::int32_t k : t) mesh.triangles.push_back(vertexOf[k]);

    std::vector<std::pair<std::uint32_t, std::uint32_t>> sides;
    sides.reserve(surface.triangles.size() * 3);
    for (std::size_t k = 0; k < mesh.triangles.size(); k += 3)
        for (std::size_t corner = 0; corner < 3; ++corner)
            sides.push_back(
                std::minmax(mesh.triangles[k + corner], mesh.triangles[k + (corner + 1) % 3]));
    std::sort(sides.begin(), sides.end());
    sides.erase(std::unique(sides.begin(), sides.end()), sides.end());
    mesh.lines.reserve(sides.size() * 2);
    for (const auto& [a, b] : sides) mesh.lines.insert(mesh.lines.end(), {a, b});

    for (const std::int32_t h : surface.held) mesh.heldNodes.push_back(vertexOf[h]);
    for (const auto& [a, b] : surface.wallSides)
        if (drawn[a] && drawn[b])
            mesh.wallLines.insert(mesh.wallLines.end(), {vertexOf[a], vertexOf[b]});
    return mesh;
}

std::vector<std::string> ColourBarLabels(double zMin, double zMax, int count) {
    const double spread = zMax - zMin;
    const int decimals =
        spread > 0 ? std::clamp(3 - static_cast<int>(std::floor(std::log10(spread))), 0, 9) : 3;
    std::vector<std::string> labels;
    for (int k = 0; k < count; ++k) {
        double value = count > 1 ? zMin + spread * k / (count - 1) : zMin;
        if (std::fabs(value) < 0.5 * std::pow(10.0, -decimals)) value = 0;  // no "-0.000"
        char text[64];
        std::snprintf(text, sizeof text, "%.*f", decimals, value);
        labels.emplace_back(text);
    }
    return labels;
}

void OrbitCamera::Frame(const Box3& box) {
    target = box.Centre();
    radius = std::max(box.Radius(), 1e-9);
    distance = radius / std::sin(Radians(fieldOfView / 2)) * 1.05;
    yaw = -60;
    pitch = 30;
}

void OrbitCamera::Orbit(double dx, double dy) {
    yaw = std::remainder(yaw - dx * 0.5, 360.0);
    pitch = std::clamp(pitch + dy * 0.5, -89.0, 89.0);
}

void OrbitCamera::Pan(double dx, double dy, int height) {
    const double perPixel = 2 * distance * std::tan(Radians(fieldOfView / 2)) / std::max(1, height);
    const Point forward = Minus(Point{0, 0, 0}, Towards());
    const Point right = Normalized(Cross(forward, {0, 0, 1}));
    const Point up = Cross(right, forward);
    for (int axis = 0; axis < 3; ++axis)
        target[axis] += (-right[axis] * dx + up[axis] * dy) * perPixel;
}

void OrbitCamera::Zoom(double steps) {
    distance = std::clamp(distance * std::pow(0.85, steps), radius * 0.01, radius * 100);
}

std::array<double, 3> OrbitCamera::Towards() const {
    const double y = Radians(yaw), p = Radians(pitch);
    return {std::cos(p) * std::cos(y), std::cos(p) * std::sin(y), std::sin(p)};
}

std::array<double, 3> OrbitCamera::Eye() const {
    const Point towards = Towards();
    return {target[0] + distance * towards[0], target[1] + distance * towards[1],
            target[2] + distance * towards[2]};
}

Matrix4 OrbitCamera::ViewProjection(double aspect) const {
    const Point eye = Eye();
    const Point f = Normalized(Minus(target, eye));
    const Point s = Normalized(Cross(f, {0, 0, 1}));
    const Point u = Cross(s, f);
    // Row-major view matrix.
    const double view[4][4] = {{s[0], s[1], s[2], -Dot(s, eye)},
                               {u[0], u[1], u[2], -Dot(u, eye)},
                               {-f[0], -f[1], -f[2], Dot(f, eye)},
                               {0, 0, 0, 1}};
    const double nearPlane = distance * 0.05;
    const double farPlane = distance + 3 * radius;
    const double focal = 1 / std::tan(Radians(fieldOfView / 2));
    const double projection[4][4] = {{focal / std::max(aspect, 1e-6), 0, 0, 0},
                                     {0, focal, 0, 0},
                                     {0, 0, (farPlane + nearPlane) / (nearPlane - farPlane),
                                      2 * farPlane * nearPlane / (nearPlane - farPlane)},
                                     {0, 0, -1, 0}};
    Matrix4 m{};
    for (int row = 0; row < 4; ++row)
        for (int column = 0; column < 4; ++column) {
            double sum = 0;
            for (int k = 0; k < 4; ++k) sum += projection[row][k] * view[k][column];
            m[column * 4 + row] = static_cast<float>(sum);
        }
    return m;
}

std::array<double, 3> Project(const Matrix4& m, const std::array<double, 3>& point) {
    double clip[4];
    for (int row = 0; row < 4; ++row)
        clip[row] = m[row] * point[0] + m[4 + row] * point[1] + m[8 + row] * point[2] + m[12 + row];
    return {clip[0] / clip[3], clip[1] / clip[3], clip[2] / clip[3]};
}

}  // namespace membrane
