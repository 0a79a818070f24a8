#include "output/vrml_export.h"

#include <cmath>

#include "common/file_names.h"
#include "common/io_error.h"
#include "common/number_format.h"
#include "model/coor_table.h"
#include "model/elem_table.h"
#include "model/value_lists.h"

namespace membrane {

namespace {

constexpr double kSceneSizeFactor = 1.5;  // the viewpoints stand at 1.5 x the model extent
constexpr double kAxisLength = 2.0;
constexpr int kBarColour = 0;
const char* const kNoLabel = "none";

// The z at which node `node` is drawn.
double DisplayHeight(const RunState& state, const VrmlOptions& options, const NodeEntry& node) {
    if (options.showDeformed && state.resultsAvailable && state.model.heights &&
        options.scale != kUndeformedScale) {
        if (const auto* height = state.model.heights->FindKey(node.number))
            return node.z + options.scale * height->value;
    }
    return node.z;
}

}  // namespace

double ModelExtent(const RunState& state, double& xExtent, double& yExtent, double& heightExtent) {
    xExtent = yExtent = heightExtent = 0.0;
    if (const TCoorClass* nodes = state.model.nodes.get()) {
        xExtent = std::max(std::fabs(nodes->xMin), std::fabs(nodes->xMax));
        yExtent = std::max(std::fabs(nodes->yMin), std::fabs(nodes->yMax));
    }
    if (state.resultsAvailable && state.model.heights) {
        for (const auto& entry : state.model.heights->Entries())
            heightExtent = std::max(heightExtent, std::fabs(entry.value));
    }
    double extent = xExtent;
    if (yExtent > extent) extent = yExtent;
    if (heightExtent > extent) extent = heightExtent;
    return extent;
}

std::string VrmlSceneFileName(const RunState& state) {
    return ChangeFileExt(state.inputName, ".wrl");
}

VrmlExportResult ExportVrml(RunState& state, const VrmlOptions& options) {
    VrmlWriter writer(*state.messages);
    return ExportVrml(state, options, writer);
}

VrmlExportResult ExportVrml(RunState& state, bool showNumbering, bool showAxes,
                            bool showDeformed, double scale) {
    return ExportVrml(state, VrmlOptions{showNumbering, showAxes, showDeformed, scale});
}

VrmlExportResult ExportVrml(RunState& state, const VrmlOptions& options, VrmlWriter& writer) {
    double xExtent, yExtent, heightExtent;
    const double extent = ModelExtent(state, xExtent, yExtent, heightExtent);
    const std::string modelName =
        state.inputName.empty() ? std::string("unknown file") : ExtractFileName(state.inputName);

    if (!writer.WriteVrmlHeader(VrmlSceneFileName(state), modelName, kSceneSizeFactor * extent))
        return VrmlExportResult::NotCreated;
    try {
        writer.WriteVrmlAxes(options.showAxes, kAxisLength, kAxisLength, kAxisLength);

        const TCoorClass* nodes = state.model.nodes.get();
        const TElemClass* bars = state.model.bars.get();
        if (nodes && bars) {
            for (const ElementEntry& bar : bars->Elements()) {
                const auto ends = bars->NodesOf(bar);
                if (ends.size() != 2) continue;
                const NodeEntry* first = nodes->FindNode(ends[0]);
                const NodeEntry* second = nodes->FindNode(ends[1]);
                // A bar needs both ends: without one there is nothing to draw it to.
                if (!first || !second) continue;

                const double z1 = DisplayHeight(state, options, *first);
                const double z2 = DisplayHeight(state, options, *second);
                writer.WriteVrmlNode(options.showNumbering ? FormatInt(first->number) : kNoLabel,
                                     first->x, first->y, z1);
                writer.WriteVrmlNode(options.showNumbering ? FormatInt(second->number) : kNoLabel,
                                     second->x, second->y, z2);
                writer.WriteVrmlBar(kBarColour,
                                    options.showNumbering ? FormatInt(bar.number) : kNoLabel,
                                    first->x, first->y, z1, second->x, second->y, z2);
            }
            if (const TIntList* constraints = state.model.constraints.get()) {
                for (const auto& entry : constraints->Entries()) {
                    const NodeEntry* node = nodes->FindNode(entry.value);
                    if (!node) continue;
                    writer.WriteVrmlSupport(FormatInt(entry.value), "z", node->x, node->y,
                                            DisplayHeight(state, options, *node));
                }
            }
        }
        writer.CloseVrmlFile();
    } catch (const IoError& error) {
        state.messages->Show(error.what(), MessageKind::Error, "Input/output error");
        return VrmlExportResult::WriteFailed;
    }
    return VrmlExportResult::Written;
}

void ShowVrml(RunState& state, Opener& opener) {
    const std::string scene = VrmlSceneFileName(state);
    if (FileExists(scene))
        opener.Open(scene);
    else
        state.messages->Show("No VRML file created!", MessageKind::Error);
}

}  // namespace membrane
