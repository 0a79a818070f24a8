#include "formats/msh_writer.h"

#include <algorithm>

#include "common/number_format.h"
#include "formats/msh_format.h"

namespace membrane {
namespace {

std::string Quoted(std::string name) {
    std::replace(name.begin(), name.end(), '"', '\'');
    std::replace(name.begin(), name.end(), '\n', ' ');
    std::replace(name.begin(), name.end(), '\r', ' ');
    return "\"" + name + "\"";
}

}  // namespace

MshWriter::MshWriter(TextSink& out, MshEncoding encoding) : out_(out), encoding_(encoding) {
    Put("$MeshFormat");
    if (Binary()) {
        Put("2.2 1 8");
        Bytes(std::int32_t{1});
        Put("");
    } else {
        Put("2.2 0 8");
    }
    Put("$EndMeshFormat");
}

void MshWriter::End(const char* section) {
    if (Binary()) Put("");
    Put(section);
}

void MshWriter::Put(const std::string& line) {
    out_.Write(line);
    out_.Write("\n");
}

void MshWriter::PhysicalNames(std::span<const MshGroup> groups) {
    Put("$PhysicalNames");
    Put(std::to_string(groups.size()));
    for (std::size_t g = 0; g < groups.size(); ++g)
        Put(std::to_string(groups[g].dimension) + " " + std::to_string(g + 1) + " " +
            Quoted(groups[g].name));
    Put("$EndPhysicalNames");
}

void MshWriter::BeginNodes(std::size_t count) {
    Put("$Nodes");
    Put(std::to_string(count));
}

void MshWriter::Node(double x, double y, double z) {
    if (Binary()) {
        Bytes(static_cast<std::int32_t>(++node_));
        for (const double v : {x, y, z}) Bytes(v);
        return;
    }
    Put(std::to_string(++node_) + " " + FormatShortest(x) + " " + FormatShortest(y) + " " +
        FormatShortest(z));
}

void MshWriter::EndNodes() {
    End("$EndNodes");
}

void MshWriter::BeginElements(std::size_t count) {
    Put("$Elements");
    Put(std::to_string(count));
}

void MshWriter::Element(MshElementType type, int group, std::initializer_list<std::int64_t> nodes) {
    // Two tags: the physical group and the elementary entity, here the group's number
    // again (1 for an element of no group: Gmsh numbers entities from 1).
    if (Binary()) {
        for (const int header : {static_cast<int>(type), 1, 2}) Bytes(std::int32_t{header});
        Bytes(static_cast<std::int32_t>(++element_));
        Bytes(std::int32_t{group});
        Bytes(std::int32_t{group > 0 ? group : 1});
        for (const std::int64_t node : nodes) Bytes(static_cast<std::int32_t>(node + 1));
        return;
    }
    std::string line = std::to_string(++element_) + " " + std::to_string(type) + " 2 " +
                       std::to_string(group) + " " + std::to_string(group > 0 ? group : 1);
    for (const std::int64_t node : nodes) line += " " + std::to_string(node + 1);
    Put(line);
}

void MshWriter::EndElements() {
    End("$EndElements");
}

// One string tag (the name), one real tag (the time), three integer tags (the time step,
// the number of components, the number of values).
void MshWriter::DataHeader(const char* section, const std::string& name, int components,
                           std::size_t count) {
    Put(section);
    Put("1");
    Put(Quoted(name));
    Put("1");
    Put("0");
    Put("3");
    Put("0");
    Put(std::to_string(components));
    Put(std::to_string(count));
}

void MshWriter::BeginNodeData(const std::string& name, int components, std::size_t count) {
    DataHeader("$NodeData", name, components, count);
}

void MshWriter::BeginElementData(const std::string& name, int components, std::size_t count) {
    DataHeader("$ElementData", name, components, count);
}

void MshWriter::Values(std::size_t number, std::initializer_list<double> values) {
    if (Binary()) {
        Bytes(static_cast<std::int32_t>(number));
        for (const double value : values) Bytes(value);
        return;
    }
    std::string line = std::to_string(number);
    for (const double value : values) line += " " + FormatShortest(value);
    Put(line);
}

void MshWriter::EndNodeData() {
    End("$EndNodeData");
}

void MshWriter::EndElementData() {
    End("$EndElementData");
}

std::string RenderMsh(const SurfaceMesh& mesh) {
    StringSink text;
    MshWriter msh(text);
    const auto dimensionOf = [](const PointGroup& group) {
        return group.dimension == 1 || group.dimension == 2 ? group.dimension : 0;
    };
    std::vector<MshGroup> groups;
    for (const PointGroup& group : mesh.groups) groups.push_back({dimensionOf(group), group.name});
    msh.PhysicalNames(groups);
    msh.BeginNodes(mesh.points.size());
    for (const SurfacePoint& p : mesh.points) msh.Node(p.x, p.y, p.z);
    msh.EndNodes();
    // Counted first: the count comes before the elements.
    std::size_t count = mesh.triangles.size();
    for (const PointGroup& group : mesh.groups) {
        if (dimensionOf(group) == 2) {
            for (std::uint32_t t : group.triangles) count += t < mesh.triangles.size() ? 1 : 0;
        } else {
            count += dimensionOf(group) == 1 ? group.lines.size() : group.points.size();
        }
    }
    msh.BeginElements(count);
    for (const auto& t : mesh.triangles) msh.Element(kMshTriangle, 0, {t[0], t[1], t[2]});
    for (std::size_t g = 0; g < mesh.groups.size(); ++g) {
        const PointGroup& group = mesh.groups[g];
        const int tag = static_cast<int>(g + 1);
        if (dimensionOf(group) == 2) {
            for (std::uint32_t t : group.triangles)
                if (t < mesh.triangles.size())
                    msh.Element(kMshTriangle, tag,
                                {mesh.triangles[t][0], mesh.triangles[t][1], mesh.triangles[t][2]});
        } else if (dimensionOf(group) == 1) {
            for (const auto& segment : group.lines)
                msh.Element(kMshLine, tag, {segment[0], segment[1]});
        } else {
            for (std::uint32_t p : group.points) msh.Element(kMshPoint, tag, {p});
        }
    }
    msh.EndElements();
    return text.Take();
}

}  // namespace membrane
