#include "form/form_scene.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <unordered_map>

#include "form/form_mechanics.h"

namespace membrane {
namespace {

using Triangle = std::array<std::int32_t, 3>;

// The shape as points and triangles before it becomes buffers (all of it, or clustered).
struct Mesh {
    std::vector<Vec3> points;
    std::vector<double> values;  // per point
    std::vector<Triangle> triangles;
    std::vector<std::array<std::int32_t, 2>> cableSides, collapsedSides;
    std::vector<std::int32_t> held;
};

Mesh FullMesh(const FormModel& model, const std::vector<Vec3>& shape,
              const std::vector<double>& values, const std::vector<std::int32_t>& collapsed) {
    Mesh mesh;
    mesh.points = shape;
    mesh.values = values;
    mesh.values.resize(shape.size(), 0.0);
    mesh.triangles = model.triangles;
    for (const CableSpec& cable : model.cables)
        for (std::size_t k = 0; k + 1 < cable.nodes.size(); ++k)
            mesh.cableSides.push_back({cable.nodes[k], cable.nodes[k + 1]});
    for (const std::int32_t t : collapsed)
        for (int c = 0; c < 3; ++c)
            mesh.collapsedSides.push_back({model.triangles[t][c], model.triangles[t][(c + 1) % 3]});
    for (std::size_t i = 0; i < model.held.size(); ++i)
        if (model.held[i]) mesh.held.push_back(static_cast<std::int32_t>(i));
    return mesh;
}

// The nodes in each cube of side `cell` merged into one point at their mean (values
// averaged), except the nodes marked in `keep`; triangles that lose a corner that way go.
Mesh Clustered(const Mesh& full, const std::vector<char>& keep, double cell, const Box3& box) {
    Mesh thin;
    std::unordered_map<std::int64_t, std::int32_t> cellPoint;
    std::vector<std::int32_t> pointOf(full.points.size());
    std::vector<double> members;
    const auto index = [&](double v, int axis) {
        return static_cast<std::int64_t>((v - box.min[axis]) / cell);
    };
    for (std::size_t k = 0; k < full.points.size(); ++k) {
        const Vec3& p = full.points[k];
        std::int32_t slot = -1;
        if (!keep[k]) {
            const std::int64_t key =
                (index(p.z, 2) * 2'000'003 + index(p.y, 1)) * 2'000'003 + index(p.x, 0);
            const auto [at, added] = cellPoint.try_emplace(key, -1);
            if (!added) slot = at->second;
            if (slot < 0) slot = at->second = static_cast<std::int32_t>(thin.points.size());
        }
        if (slot < 0 || slot == static_cast<std::int32_t>(thin.points.size())) {
            slot = static_cast<std::int32_t>(thin.points.size());
            thin.points.push_back({});
            thin.values.push_back(0.0);
            members.push_back(0.0);
        }
        pointOf[k] = slot;
        thin.points[slot] += p;
        thin.values[slot] += full.values[k];
        members[slot] += 1.0;
    }
    for (std::size_t k = 0; k < thin.points.size(); ++k) {
        thin.points[k] *= 1.0 / members[k];
        thin.values[k] /= members[k];
    }
    for (const Triangle& t : full.triangles) {
        Triangle mapped{pointOf[t[0]], pointOf[t[1]], pointOf[t[2]]};
        if (mapped[0] == mapped[1] || mapped[1] == mapped[2] || mapped[0] == mapped[2]) continue;
        thin.triangles.push_back(mapped);
    }
    const auto keepSides = [&](const auto& from, auto& to) {
        for (const auto& [a, b] : from)
            if (pointOf[a] != pointOf[b]) to.push_back({pointOf[a], pointOf[b]});
    };
    keepSides(full.cableSides, thin.cableSides);
    keepSides(full.collapsedSides, thin.collapsedSides);
    for (const std::int32_t h : full.held) thin.held.push_back(pointOf[h]);
    return thin;
}

Box3 BoxOf(const std::vector<Vec3>& points) {
    Box3 box;
    bool first = true;
    for (const Vec3& p : points)
        for (int axis = 0; axis < 3; ++axis) {
            box.min[axis] = first ? p[axis] : std::min(box.min[axis], p[axis]);
            box.max[axis] = first ? p[axis] : std::max(box.max[axis], p[axis]);
            first = axis < 2 && first;
        }
    return box;
}

Mesh Thinned(const FormModel& model, const Mesh& full, std::int64_t maxTriangles) {
    std::vector<char> keep(model.held.begin(), model.held.end());
    for (const CableSpec& cable : model.cables)
        for (const std::int32_t node : cable.nodes) keep[node] = 1;
    double area = 0.0;
    for (const Triangle& t : full.triangles)
        area += 0.5 * Norm(Cross(full.points[t[1]] - full.points[t[0]],
                                 full.points[t[2]] - full.points[t[0]]));
    // About two triangles a cube the surface passes through; coarsened until they fit.
    const Box3 box = BoxOf(full.points);
    double cell = std::max(std::sqrt(2.0 * area / static_cast<double>(maxTriangles)),
                           1e-9 * std::max(box.Radius(), 1e-300));
    Mesh thin = Clustered(full, keep, cell, box);
    for (int round = 0;
         round < 20 && static_cast<std::int64_t>(thin.triangles.size()) > maxTriangles; ++round) {
        cell *= std::max(1.1, std::sqrt(static_cast<double>(thin.triangles.size()) /
                                        static_cast<double>(maxTriangles)));
        thin = Clustered(full, keep, cell, box);
    }
    return thin;
}

void Append(std::vector<float>& buffer, const Vec3& p) {
    buffer.insert(buffer.end(),
                  {static_cast<float>(p.x), static_cast<float>(p.y), static_cast<float>(p.z)});
}

}  // namespace

const char* FormFieldName(FormField field) {
    switch (field) {
        case FormField::Height:
            return "height z";
        case FormField::MajorStress:
            return "major principal stress";
        case FormField::MinorStress:
            return "minor principal stress";
        case FormField::Quality:
            return "smallest angle";
    }
    return "";
}

const char* FormFieldUnit(FormField field) {
    switch (field) {
        case FormField::Height:
            return "m";
        case FormField::MajorStress:
        case FormField::MinorStress:
            return "kN/m";
        case FormField::Quality:
            return "degrees";
    }
    return "";
}

std::vector<double> FormFieldValues(const FormModel& model, const FormSolution& solution,
                                    FormField field) {
    const std::vector<Vec3>& x = solution.shape;
    std::vector<double> values(x.size(), 0.0);
    if (field == FormField::Height) {
        for (std::size_t i = 0; i < x.size(); ++i) values[i] = x[i].z;
        return values;
    }
    if (field == FormField::Quality) {
        std::vector<char> seen(x.size(), 0);
        for (const Triangle& t : model.triangles) {
            const double angle = SmallestAngleDegrees(x[t[0]], x[t[1]], x[t[2]]);
            for (const std::int32_t k : t) {
                values[k] = seen[k] ? std::min(values[k], angle) : angle;
                seen[k] = 1;
            }
        }
        return values;
    }
    if (solution.stresses.size() != model.triangles.size()) return values;
    std::vector<double> weight(x.size(), 0.0);
    for (std::size_t t = 0; t < model.triangles.size(); ++t) {
        const double v = field == FormField::MajorStress ? solution.stresses[t].major
                                                         : solution.stresses[t].minor;
        const double area = solution.triangleAreas.size() == model.triangles.size()
                                ? solution.triangleAreas[t]
                                : 1.0;
        for (const std::int32_t k : model.triangles[t]) {
            values[k] += area * v;
            weight[k] += area;
        }
    }
    for (std::size_t i = 0; i < x.size(); ++i)
        if (weight[i] > 0) values[i] /= weight[i];
    return values;
}

std::vector<std::int32_t> CollapsedTriangles(const FormModel& model, const std::vector<Vec3>& shape,
                                             double share) {
    std::vector<std::int32_t> collapsed;
    if (shape.size() != model.NodeCount()) return collapsed;
    for (std::size_t t = 0; t < model.triangles.size(); ++t) {
        const auto& c = model.triangles[t];
        const Vec3 before =
            Cross(model.start[c[1]] - model.start[c[0]], model.start[c[2]] - model.start[c[0]]);
        const Vec3 after = Cross(shape[c[1]] - shape[c[0]], shape[c[2]] - shape[c[0]]);
        if (Norm(after) < share * Norm(before)) collapsed.push_back(static_cast<std::int32_t>(t));
    }
    return collapsed;
}

Box3 FormScene::LocalBox() const {
    Box3 local;
    for (int axis = 0; axis < 3; ++axis) {
        local.min[axis] = box.min[axis] - origin[axis];
        local.max[axis] = box.max[axis] - origin[axis];
    }
    return local;
}

FormScene BuildFormScene(const FormModel& model, const std::vector<Vec3>& shape,
                         const std::vector<double>& values,
                         const std::vector<std::int32_t>& collapsed, std::int64_t maxTriangles) {
    FormScene scene;
    if (shape.size() != model.NodeCount()) return scene;
    Mesh mesh = FullMesh(model, shape, values, collapsed);
    scene.modelTriangles = static_cast<std::int64_t>(mesh.triangles.size());
    if (scene.modelTriangles > maxTriangles) mesh = Thinned(model, mesh, maxTriangles);
    scene.drawnTriangles = static_cast<std::int64_t>(mesh.triangles.size());

    std::vector<char> drawn(mesh.points.size(), 0);
    for (const Triangle& t : mesh.triangles)
        for (const std::int32_t k : t) drawn[k] = 1;
    for (const auto& [a, b] : mesh.cableSides) drawn[a] = drawn[b] = 1;
    for (const std::int32_t h : mesh.held) drawn[h] = 1;
    std::vector<Vec3> used;
    for (std::size_t k = 0; k < mesh.points.size(); ++k)
        if (drawn[k]) used.push_back(mesh.points[k]);
    if (used.empty()) return scene;
    scene.box = BoxOf(used);
    scene.origin = scene.box.Centre();
    scene.valueMin = std::numeric_limits<double>::max();
    scene.valueMax = std::numeric_limits<double>::lowest();
    for (std::size_t k = 0; k < mesh.points.size(); ++k)
        if (drawn[k] && std::isfinite(mesh.values[k])) {
            scene.valueMin = std::min(scene.valueMin, mesh.values[k]);
            scene.valueMax = std::max(scene.valueMax, mesh.values[k]);
        }
    if (scene.valueMin > scene.valueMax) scene.valueMin = scene.valueMax = 0.0;

    // Normals along the triangles' right-hand rule, area-weighted (the shading lights both
    // faces alike).
    std::vector<Vec3> normals(mesh.points.size());
    for (const Triangle& t : mesh.triangles) {
        const Vec3 n =
            Cross(mesh.points[t[1]] - mesh.points[t[0]], mesh.points[t[2]] - mesh.points[t[0]]);
        for (const std::int32_t k : t) normals[k] += n;
    }
    const Vec3 origin{scene.origin[0], scene.origin[1], scene.origin[2]};
    const double spread = scene.valueMax - scene.valueMin;
    std::vector<std::uint32_t> vertexOf(mesh.points.size(), 0);
    std::uint32_t vertices = 0;
    scene.vertices.reserve(used.size() * FormScene::kFloatsPerVertex);
    for (std::size_t k = 0; k < mesh.points.size(); ++k) {
        if (!drawn[k]) continue;
        vertexOf[k] = vertices++;
        Append(scene.vertices, mesh.points[k] - origin);
        const double length = Norm(normals[k]);
        Append(scene.vertices, length > 0 ? (1.0 / length) * normals[k] : Vec3{0, 0, 1});
        const Rgb colour =
            HeightColour(spread > 0 ? (mesh.values[k] - scene.valueMin) / spread : 0.5);
        scene.vertices.insert(scene.vertices.end(), {colour.r, colour.g, colour.b});
    }
    scene.triangles.reserve(mesh.triangles.size() * 3);
    std::vector<std::pair<std::uint32_t, std::uint32_t>> sides;
    sides.reserve(mesh.triangles.size() * 3);
    for (const Triangle& t : mesh.triangles) {
        for (int c = 0; c < 3; ++c) {
            scene.triangles.push_back(vertexOf[t[c]]);
            sides.push_back(std::minmax(vertexOf[t[c]], vertexOf[t[(c + 1) % 3]]));
        }
    }
    std::sort(sides.begin(), sides.end());
    sides.erase(std::unique(sides.begin(), sides.end()), sides.end());
    scene.lines.reserve(sides.size() * 2);
    for (const auto& [a, b] : sides) scene.lines.insert(scene.lines.end(), {a, b});
    for (const auto& [a, b] : mesh.cableSides)
        scene.cableLines.insert(scene.cableLines.end(), {vertexOf[a], vertexOf[b]});
    for (const auto& [a, b] : mesh.collapsedSides)
        scene.collapsedLines.insert(scene.collapsedLines.end(), {vertexOf[a], vertexOf[b]});
    for (const std::int32_t h : mesh.held) scene.heldNodes.push_back(vertexOf[h]);
    return scene;
}

}  // namespace membrane
