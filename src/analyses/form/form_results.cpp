#include "form/form_results.h"

#include <charconv>
#include <string>

namespace membrane {
namespace {

// Shortest text that reads back as the same double, whatever the locale.
std::string Number(double value) {
    char buffer[32];
    const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, error == std::errc() ? end : buffer);
}

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
                Put(out, Number(p.x) + " " + Number(p.y) + " " + Number(p.z));
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
             perCell([&s](std::size_t t) { return Number(s.stresses[t].major); }, zero));
    VtuArray(out, "Float64", "stress_minor_kN_per_m", 1,
             perCell([&s](std::size_t t) { return Number(s.stresses[t].minor); }, zero));
    VtuArray(out, "Float64", "cable_force_kN", 1,
             perCell(zero, [](std::size_t, double f) { return Number(f); }));
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
    Put(out, "$MeshFormat");
    Put(out, "2.2 0 8");
    Put(out, "$EndMeshFormat");
    // Physical groups: regions (2), cables (1), supports (0), numbered in that order.
    const auto quoted = [](const std::string& name) {
        std::string text = "\"";
        for (char c : name) text += c == '"' ? '\'' : c;
        return text + "\"";
    };
    Put(out, "$PhysicalNames");
    Put(out, std::to_string(model.regions.size() + model.cables.size() + model.supports.size()));
    int tag = 0;
    for (const MembraneRegion& r : model.regions)
        Put(out, "2 " + std::to_string(++tag) + " " + quoted(r.name));
    const int firstCable = tag + 1;
    for (const CableSpec& c : model.cables)
        Put(out, "1 " + std::to_string(++tag) + " " + quoted(c.name));
    const int firstSupport = tag + 1;
    for (const SupportSpec& sp : model.supports)
        Put(out, "0 " + std::to_string(++tag) + " " + quoted(sp.name));
    Put(out, "$EndPhysicalNames");

    Put(out, "$Nodes");
    Put(out, std::to_string(n));
    for (std::size_t i = 0; i < n; ++i)
        Put(out, std::to_string(i + 1) + " " + Number(s.shape[i].x) + " " + Number(s.shape[i].y) +
                     " " + Number(s.shape[i].z));
    Put(out, "$EndNodes");

    std::size_t points = 0;
    for (const SupportSpec& sp : model.supports) points += sp.nodes.size();
    const std::size_t segments = SegmentCount(model);
    Put(out, "$Elements");
    Put(out, std::to_string(triangles + segments + points));
    std::size_t element = 0;
    for (std::size_t t = 0; t < triangles; ++t) {
        const auto& c = model.triangles[t];
        const std::string group = std::to_string(model.triangleRegion[t] + 1);
        Put(out, std::to_string(++element) + " 2 2 " + group + " " + group + " " +
                     std::to_string(c[0] + 1) + " " + std::to_string(c[1] + 1) + " " +
                     std::to_string(c[2] + 1));
    }
    ForEachSegment(model, s, [&](std::size_t c, std::int32_t a, std::int32_t b, double) {
        const std::string group = std::to_string(firstCable + static_cast<int>(c));
        Put(out, std::to_string(++element) + " 1 2 " + group + " " + group + " " +
                     std::to_string(a + 1) + " " + std::to_string(b + 1));
    });
    for (std::size_t k = 0; k < model.supports.size(); ++k) {
        const std::string group = std::to_string(firstSupport + static_cast<int>(k));
        for (std::int32_t node : model.supports[k].nodes)
            Put(out, std::to_string(++element) + " 15 2 " + group + " " + group + " " +
                         std::to_string(node + 1));
    }
    Put(out, "$EndElements");

    const auto header = [&](const char* section, const std::string& name, int components,
                            std::size_t count) {
        Put(out, section);
        Put(out, "1");
        Put(out, quoted(name));
        Put(out, "1");
        Put(out, "0");
        Put(out, "3");
        Put(out, "0");
        Put(out, std::to_string(components));
        Put(out, std::to_string(count));
    };
    header("$NodeData", "reaction [kN]", 3, n);
    for (std::size_t i = 0; i < n; ++i)
        Put(out, std::to_string(i + 1) + " " + Number(s.reactions[i].x) + " " +
                     Number(s.reactions[i].y) + " " + Number(s.reactions[i].z));
    Put(out, "$EndNodeData");
    header("$NodeData", "displacement [m]", 3, n);
    for (std::size_t i = 0; i < n; ++i) {
        const Vec3 d = s.shape[i] - model.start[i];
        Put(out, std::to_string(i + 1) + " " + Number(d.x) + " " + Number(d.y) + " " + Number(d.z));
    }
    Put(out, "$EndNodeData");
    // Element data for every element (0 where a field does not apply), as readers that
    // take the views apart by element type expect.
    const std::size_t elements = triangles + segments + points;
    const auto elementView = [&](const std::string& name, const auto& valueOf) {
        header("$ElementData", name, 1, elements);
        for (std::size_t e = 0; e < elements; ++e)
            Put(out, std::to_string(e + 1) + " " + Number(valueOf(e)));
        Put(out, "$EndElementData");
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
