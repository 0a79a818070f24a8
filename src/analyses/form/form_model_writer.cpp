#include "form/form_model_writer.h"

#include <charconv>
#include <stdexcept>

#include "common/file_names.h"
#include "common/io_error.h"
#include "common/text_file.h"
#include "formats/obj_format.h"

namespace membrane {
namespace {

std::string Number(double value) {
    char buffer[32];
    const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, error == std::errc() ? end : buffer);
}

std::string Quoted(const std::string& text) {
    std::string quoted = "\"";
    for (char c : text) quoted += (c == '"' || c == '\\') ? '\'' : c;
    return quoted + "\"";
}

// A list of node numbers, twenty to a line.
std::string NodeList(const std::vector<std::int32_t>& nodes) {
    std::string list = "[";
    for (std::size_t k = 0; k < nodes.size(); ++k) {
        if (k > 0) list += k % 20 == 0 ? ",\n  " : ", ";
        list += std::to_string(nodes[k] + 1);
    }
    return list + "]";
}

template <typename Render>
void Write(const std::string& path, Render render) {
    AtomicFile target(path);
    auto file = target.Create();
    if (!file) throw IoError("Can not create " + target.Error());
    render(*file);
    file->Close();
    target.Commit();
}

}  // namespace

void WriteFormModelFiles(const FormModel& model, const std::string& tomlPath) {
    if (model.regions.size() != 1)
        throw std::invalid_argument(
            "a form model written with an OBJ surface has one membrane region");
    const std::string objPath = ChangeFileExt(tomlPath, ".obj");
    SurfaceMesh mesh;
    for (const Vec3& p : model.start) mesh.points.push_back({p.x, p.y, p.z});
    for (const auto& c : model.triangles)
        mesh.triangles.push_back({static_cast<std::uint32_t>(c[0]),
                                  static_cast<std::uint32_t>(c[1]),
                                  static_cast<std::uint32_t>(c[2])});
    Write(objPath, [&](TextSink& out) {
        RenderObj(out, mesh, std::vector<SurfacePoint>(mesh.points.size(), SurfacePoint{0, 0, 1}));
    });
    Write(tomlPath, [&](TextSink& out) {
        const auto line = [&out](const std::string& text) {
            out.Write(text);
            out.Write("\n");
        };
        line("# Form model: " + model.fileName + ", " + std::to_string(model.NodeCount()) +
             " nodes, " + std::to_string(model.triangles.size()) + " triangles.");
        line("[units]");
        line("force = \"kN\"");
        line("length = \"m\"");
        line("");
        line("[surface]");
        line("file = " + Quoted(ExtractFileName(objPath)));
        line("");
        line("[solver]");
        line("accuracy = " + Number(model.settings.accuracy));
        line("max_iterations = " + std::to_string(model.settings.maxIterations));
        const MembraneRegion& region = model.regions.front();
        line("");
        line("[[membrane]]");
        line("name = " + Quoted(region.name));
        line("prestress = " + Number(region.stress));
        if (region.pressure != 0.0) line("pressure = " + Number(region.pressure));
        for (const CableSpec& cable : model.cables) {
            line("");
            line("[[cable]]");
            line("name = " + Quoted(cable.name));
            line("force = " + Number(cable.force));
            line("nodes = " + NodeList(cable.nodes));
        }
        for (const SupportSpec& support : model.supports) {
            line("");
            line("[[support]]");
            line("name = " + Quoted(support.name));
            line("nodes = " + NodeList(support.nodes));
        }
    });
}

}  // namespace membrane
