#include "heightfield/vrml_export.h"

#include <cmath>

#include "common/file_lock.h"
#include "common/file_names.h"
#include "common/io_error.h"
#include "common/number_format.h"
#include "heightfield/vrml_writer.h"

namespace membrane {
namespace {

constexpr double kSceneSizeFactor = 1.5;  // the viewpoints stand at 1.5 x the model extent
constexpr double kAxisLength = 2.0;
constexpr int kBarColour = 0;
const char* const kNoLabel = "none";

// The z at which node `node` is drawn: its lifted z, or in the deformed view the flat plan
// lifted by `scale` times the lifted z (scale 1 shows the membrane as computed).
double DisplayHeight(const Model& model, const Solution* solution, const VrmlOptions& options,
                     const NodeEntry& node) {
    if (solution == nullptr) return 0.0;
    const std::int32_t index = model.nodes.IndexOf(node.number);
    const double z = solution->liftedZ[index];
    if (options.showDeformed && options.scale != kUndeformedScale) return options.scale * z;
    return z;
}

}  // namespace

double ModelExtent(const Model& model, const Solution* solution, double& xExtent, double& yExtent,
                   double& heightExtent) {
    const PlanExtent& plan = model.nodes.Extent();
    xExtent = std::max(std::fabs(plan.xMin), std::fabs(plan.xMax));
    yExtent = std::max(std::fabs(plan.yMin), std::fabs(plan.yMax));
    heightExtent = 0.0;
    if (solution != nullptr)
        for (const double height : solution->heights)
            heightExtent = std::max(heightExtent, std::fabs(height));
    double extent = xExtent;
    if (yExtent > extent) extent = yExtent;
    if (heightExtent > extent) extent = heightExtent;
    return extent;
}

std::string VrmlSceneFileName(const Model& model) {
    return ChangeFileExt(model.fileName, ".wrl");
}

void RenderVrmlScene(TextSink& out, const Model& model, const Solution* solution,
                     const VrmlOptions& options) {
    double xExtent, yExtent, heightExtent;
    const double extent = ModelExtent(model, solution, xExtent, yExtent, heightExtent);
    const std::string modelName = model.fileName.empty()
                                      ? std::string("unknown file")
                                      : PrintableName(ExtractFileName(model.fileName));
    VrmlWriter writer(out);
    writer.WriteVrmlHeader(modelName, kSceneSizeFactor * extent);
    writer.WriteVrmlAxes(options.showAxes, kAxisLength, kAxisLength, kAxisLength);
    const NodeTable& nodes = model.nodes;
    // Bars and supports come with a complete model.
    for (const ElementEntry& bar : model.bars.Elements()) {
        const auto ends = model.bars.NodesOf(bar);
        if (ends.size() != 2) continue;
        const NodeEntry* first = nodes.Find(ends[0]);
        const NodeEntry* second = nodes.Find(ends[1]);
        // A bar needs both ends: without one there is nothing to draw it to.
        if (!first || !second) continue;
        const double z1 = DisplayHeight(model, solution, options, *first);
        const double z2 = DisplayHeight(model, solution, options, *second);
        writer.WriteVrmlNode(options.showNumbering ? FormatInt(first->number) : kNoLabel, first->x,
                             first->y, z1);
        writer.WriteVrmlNode(options.showNumbering ? FormatInt(second->number) : kNoLabel,
                             second->x, second->y, z2);
        writer.WriteVrmlBar(kBarColour, options.showNumbering ? FormatInt(bar.number) : kNoLabel,
                            first->x, first->y, z1, second->x, second->y, z2);
    }
    if (model.complete)
        for (const auto& entry : model.constraints.Entries()) {
            const NodeEntry* node = nodes.Find(entry.value);
            if (!node) continue;
            writer.WriteVrmlSupport(FormatInt(entry.value), "z", node->x, node->y,
                                    DisplayHeight(model, solution, options, *node));
        }
    writer.WriteVrmlTrailer();
}

VrmlExportResult ExportVrml(const Model& model, const Solution* solution,
                            const VrmlOptions& options, MessageSink& messages,
                            const SceneFileFactory& factory) {
    const std::string fileName = VrmlSceneFileName(model);
    // A model file named "x.wrl" is not overwritten by its own scene.
    if (SameFile(fileName, model.fileName)) {
        messages.Show(fileName + ": is the model file itself; it is not overwritten",
                      MessageKind::Error);
        return VrmlExportResult::NotCreated;
    }
    AtomicFile target(fileName);
    std::unique_ptr<TextFileWriter> file = target.Create();
    if (file && factory) file = factory(target.TempPath());
    if (!file) {
        if (target.Refused()) messages.Show(target.Error(), MessageKind::Error);
        messages.Show("Can not create a VRML file, check your disk or r/w permissions.",
                      MessageKind::Error);
        return VrmlExportResult::NotCreated;
    }
    try {
        RenderVrmlScene(*file, model, solution, options);
        file->Close();
        target.Commit();
    } catch (const IoError& error) {
        messages.Show(error.what(), MessageKind::Error, "Input/output error");
        return VrmlExportResult::WriteFailed;
    }
    return VrmlExportResult::Written;
}

bool ShowVrml(const Model& model, Opener& opener, MessageSink& messages) {
    const std::string scene = VrmlSceneFileName(model);
    if (!FileExists(scene)) {
        messages.Show("No VRML file created!", MessageKind::Error);
        return false;
    }
    if (opener.Open(scene)) return true;
    messages.Show(NoViewerMessage(scene), MessageKind::Error);
    return false;
}

}  // namespace membrane
