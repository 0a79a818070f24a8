#include "form/form_results.h"

#include <string>
#include <vector>

#include "common/number_format.h"
#include "formats/msh_writer.h"

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

// A data array whose values `write` puts out, one line per value or tuple.
template <typename Write>
void VtuArray(TextSink& out, const char* type, const std::string& name, int components,
              Write write) {
    Put(out, std::string("        <DataArray type=\"") + type + "\" Name=\"" + name +
                 "\" NumberOfComponents=\"" + std::to_string(components) + "\" format=\"ascii\">");
    write();
    Put(out, "        </DataArray>");
}

}  // namespace

void RenderFormVtu(TextSink& out, const FormModel& model, const FormSolution& s) {
    const std::size_t n = model.NodeCount(), triangles = model.triangles.size();
    const std::size_t cells = triangles + SegmentCount(model);
    Put(out, "<?xml version=\"1.0\"?>");
    Put(out, "<VTKFile type=\"UnstructuredGrid\" version=\"0.1\" byte_order=\"LittleEndian\">");
    Put(out, "  <UnstructuredGrid>");
    Put(out, "    <Piece NumberOfPoints=\"" + std::to_string(n) + "\" NumberOfCells=\"" +
                 std::to_string(cells) + "\">");
    const auto vectors = [&](const std::vector<Vec3>& v, const std::vector<Vec3>* minus) {
        return [&out, &v, minus, n] {
            for (std::size_t i = 0; i < n; ++i) {
                const Vec3 p = minus ? v[i] - (*minus)[i] : v[i];
                Put(out,
                    FormatShortest(p.x) + " " + FormatShortest(p.y) + " " + FormatShortest(p.z));
            }
        };
    };
    // Per cell: a triangle's value, then a cable segment's.
    const auto perCell = [&](auto ofTriangle, auto ofSegment) {
        return [&out, &model, &s, triangles, ofTriangle, ofSegment] {
            for (std::size_t t = 0; t < triangles; ++t) Put(out, ofTriangle(t));
            ForEachSegment(model, s, [&](std::size_t c, std::int32_t, std::int32_t, double f) {
                Put(out, ofSegment(c, f));
            });
        };
    };
    const auto zero = [](auto...) { return std::string("0"); };
    const auto none = [](auto...) { return std::string("-1"); };
    Put(out, "      <Points>");
    VtuArray(out, "Float64", "position", 3, vectors(s.shape, nullptr));
    Put(out, "      </Points>");
    Put(out, "      <PointData Vectors=\"reaction_kN\">");
    VtuArray(out, "Float64", "reaction_kN", 3, vectors(s.reactions, nullptr));
    VtuArray(out, "Float64", "displacement_m", 3, vectors(s.shape, &model.start));
    VtuArray(out, "Int32", "held", 1, [&] {
        for (std::size_t i = 0; i < n; ++i) Put(out, model.held[i] ? "1" : "0");
    });
    Put(out, "      </PointData>");
    Put(out, "      <CellData Scalars=\"stress_major_kN_per_m\">");
    VtuArray(out, "Float64", "stress_major_kN_per_m", 1,
             perCell([&s](std::size_t t) { return FormatShortest(s.stresses[t].major); }, zero));
    VtuArray(out, "Float64", "stress_minor_kN_per_m", 1,
             perCell([&s](std::size_t t) { return FormatShortest(s.stresses[t].minor); }, zero));
    VtuArray(out, "Float64", "cable_force_kN", 1,
             perCell(zero, [](std::size_t, double f) { return FormatShortest(f); }));
    VtuArray(
        out, "Int32", "region", 1,
        perCell([&model](std::size_t t) { return std::to_string(model.triangleRegion[t]); }, none));
    VtuArray(out, "Int32", "cable", 1,
             perCell(none, [](std::size_t c, double) { return std::to_string(c); }));
    Put(out, "      </CellData>");
    Put(out, "      <Cells>");
    VtuArray(out, "Int64", "connectivity", 1, [&] {
        for (const auto& c : model.triangles)
            Put(out,
                std::to_string(c[0]) + " " + std::to_string(c[1]) + " " + std::to_string(c[2]));
        ForEachSegment(model, s, [&](std::size_t, std::int32_t a, std::int32_t b, double) {
            Put(out, std::to_string(a) + " " + std::to_string(b));
        });
    });
    VtuArray(out, "Int64", "offsets", 1, [&] {
        std::size_t offset = 0;
        for (std::size_t t = 0; t < triangles; ++t) Put(out, std::to_string(offset += 3));
        ForEachSegment(model, s, [&](std::size_t, std::int32_t, std::int32_t, double) {
            Put(out, std::to_string(offset += 2));
        });
    });
    // VTK_TRIANGLE, VTK_LINE
    VtuArray(out, "UInt8", "types", 1,
             perCell([](std::size_t) { return std::string("5"); },
                     [](std::size_t, double) { return std::string("3"); }));
    Put(out, "      </Cells>");
    Put(out, "    </Piece>");
    Put(out, "  </UnstructuredGrid>");
    Put(out, "</VTKFile>");
}

void RenderFormMsh(TextSink& out, const FormModel& model, const FormSolution& s) {
    const std::size_t n = model.NodeCount(), triangles = model.triangles.size();
    MshWriter msh(out);
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
