#include "form/form_results.h"

#include <string>
#include <vector>

#include "common/number_format.h"
#include "formats/msh_writer.h"
#include "formats/vtu_writer.h"

namespace membrane {
namespace {

void Put(TextSink& out, const std::string& line) {
    out.Write(line);
    out.Write("\n");
}

std::size_t SegmentCount(const FormModel& model) {
    std::size_t segments = 0;
    for (const CableSpec& cable : model.cables) segments += cable.nodes.size() - 1;
    return segments;
}

// The cable force of every segment, cable by cable.
template <typename Each>
void ForEachSegment(const FormModel& model, const FormSolution& s, Each each) {
    for (std::size_t c = 0; c < model.cables.size(); ++c) {
        const CableSpec& cable = model.cables[c];
        // The report keeps each cable's extreme segment forces; the fields show its force
        // found as their mean, which equals both to within the deviation reported.
        const double force = 0.5 * (s.cables[c].smallestForce + s.cables[c].largestForce);
        for (std::size_t k = 0; k + 1 < cable.nodes.size(); ++k)
            each(c, cable.nodes[k], cable.nodes[k + 1], force);
    }
}

}  // namespace

void RenderFormVtu(TextSink& out, const FormModel& model, const FormSolution& s,
                   VtuEncoding encoding) {
    const std::size_t n = model.NodeCount(), triangles = model.triangles.size();
    VtuWriter vtu(encoding);
    std::vector<double> values;
    const auto vectors = [&](const std::vector<Vec3>& v, const std::vector<Vec3>* minus) {
        values.clear();
        for (std::size_t i = 0; i < n; ++i) {
            const Vec3 p = minus ? v[i] - (*minus)[i] : v[i];
            values.insert(values.end(), {p.x, p.y, p.z});
        }
        return std::span<const double>(values);
    };
    vtu.Points(vectors(s.shape, nullptr));
    // The cells: the triangles, then the cable segments.
    std::vector<std::int32_t> connectivity;
    std::vector<VtuCell> types(triangles, VtuCell::Triangle);
    for (const auto& c : model.triangles)
        connectivity.insert(connectivity.end(), c.begin(), c.end());
    std::vector<double> major, minor, force(triangles, 0.0);
    std::vector<std::int32_t> region(model.triangleRegion), cable(triangles, -1);
    for (std::size_t t = 0; t < triangles; ++t) {
        major.push_back(s.stresses[t].major);
        minor.push_back(s.stresses[t].minor);
    }
    ForEachSegment(model, s, [&](std::size_t c, std::int32_t a, std::int32_t b, double f) {
        connectivity.insert(connectivity.end(), {a, b});
        types.push_back(VtuCell::Line);
        major.push_back(0.0);
        minor.push_back(0.0);
        force.push_back(f);
        region.push_back(-1);
        cable.push_back(static_cast<std::int32_t>(c));
    });
    vtu.Cells(connectivity, types);
    vtu.PointData("reaction_kN", 3, vectors(s.reactions, nullptr));
    vtu.PointData("displacement_m", 3, vectors(s.shape, &model.start));
    std::vector<std::int32_t> held(model.held.begin(), model.held.end());
    vtu.PointData("held", held);
    vtu.CellData("stress_major_kN_per_m", 1, major);
    vtu.CellData("stress_minor_kN_per_m", 1, minor);
    vtu.CellData("cable_force_kN", 1, force);
    vtu.CellData("region", region);
    vtu.CellData("cable", cable);
    vtu.Finish(out);
}

void RenderFormMsh(TextSink& out, const FormModel& model, const FormSolution& s,
                   MshEncoding encoding) {
    const std::size_t n = model.NodeCount(), triangles = model.triangles.size();
    MshWriter msh(out, encoding);
    // Physical groups: regions (2), cables (1), supports (0), numbered in that order.
    std::vector<MshGroup> groups;
    for (const MembraneRegion& r : model.regions) groups.push_back({2, r.name});
    const int firstCable = static_cast<int>(groups.size()) + 1;
    for (const CableSpec& c : model.cables) groups.push_back({1, c.name});
    const int firstSupport = static_cast<int>(groups.size()) + 1;
    for (const SupportSpec& sp : model.supports) groups.push_back({0, sp.name});
    msh.PhysicalNames(groups);

    msh.BeginNodes(n);
    for (const Vec3& p : s.shape) msh.Node(p.x, p.y, p.z);
    msh.EndNodes();

    std::size_t points = 0;
    for (const SupportSpec& sp : model.supports) points += sp.nodes.size();
    const std::size_t segments = SegmentCount(model);
    const std::size_t elements = triangles + segments + points;
    msh.BeginElements(elements);
    for (std::size_t t = 0; t < triangles; ++t) {
        const auto& c = model.triangles[t];
        msh.Element(kMshTriangle, model.triangleRegion[t] + 1, {c[0], c[1], c[2]});
    }
    ForEachSegment(model, s, [&](std::size_t c, std::int32_t a, std::int32_t b, double) {
        msh.Element(kMshLine, firstCable + static_cast<int>(c), {a, b});
    });
    for (std::size_t k = 0; k < model.supports.size(); ++k)
        for (std::int32_t node : model.supports[k].nodes)
            msh.Element(kMshPoint, firstSupport + static_cast<int>(k), {node});
    msh.EndElements();

    msh.BeginNodeData("reaction [kN]", 3, n);
    for (std::size_t i = 0; i < n; ++i)
        msh.Values(i + 1, {s.reactions[i].x, s.reactions[i].y, s.reactions[i].z});
    msh.EndNodeData();
    msh.BeginNodeData("displacement [m]", 3, n);
    for (std::size_t i = 0; i < n; ++i) {
        const Vec3 d = s.shape[i] - model.start[i];
        msh.Values(i + 1, {d.x, d.y, d.z});
    }
    msh.EndNodeData();
    // Element data for every element (0 where a field does not apply), as readers that
    // take the views apart by element type expect.
    const auto elementView = [&](const std::string& name, const auto& valueOf) {
        msh.BeginElementData(name, 1, elements);
        for (std::size_t e = 0; e < elements; ++e) msh.Values(e + 1, {valueOf(e)});
        msh.EndElementData();
    };
    elementView("major principal stress [kN/m]",
                [&](std::size_t e) { return e < triangles ? s.stresses[e].major : 0.0; });
    elementView("minor principal stress [kN/m]",
                [&](std::size_t e) { return e < triangles ? s.stresses[e].minor : 0.0; });
    if (segments > 0) {
        std::vector<double> force;
        ForEachSegment(model, s, [&](std::size_t, std::int32_t, std::int32_t, double f) {
            force.push_back(f);
        });
        elementView("cable force [kN]", [&](std::size_t e) {
            return e >= triangles && e < triangles + segments ? force[e - triangles] : 0.0;
        });
    }
}

}  // namespace membrane
