#include "form/form_model_writer.h"

#include <stdexcept>

#include "common/file_names.h"
#include "common/number_format.h"
#include "formats/obj_format.h"
#include "shell/output_set.h"

namespace membrane {
namespace {

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
    // Both files or neither: a model file never names a surface that was not written.
    OutputSet files;
    files.Render(objPath, [&](TextSink& out) {
        RenderObj(out, mesh, std::vector<SurfacePoint>(mesh.points.size(), SurfacePoint{0, 0, 1}));
    });
    files.Render(tomlPath, [&](TextSink& out) {
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
        line("accuracy = " + FormatShortest(model.settings.accuracy));
        line("max_iterations = " + std::to_string(model.settings.maxIterations));
        const MembraneRegion& region = model.regions.front();
        line("");
        line("[[membrane]]");
        line("name = " + Quoted(region.name));
        line("prestress = " + FormatShortest(region.stress));
        if (region.pressure != 0.0) line("pressure = " + FormatShortest(region.pressure));
        for (const CableSpec& cable : model.cables) {
            line("");
            line("[[cable]]");
            line("name = " + Quoted(cable.name));
            line("force = " + FormatShortest(cable.force));
            line("nodes = " + NodeList(cable.nodes));
        }
        for (const SupportSpec& support : model.supports) {
            line("");
            line("[[support]]");
            line("name = " + Quoted(support.name));
            line("nodes = " + NodeList(support.nodes));
        }
    });
    files.Commit();
}

}  // namespace membrane
