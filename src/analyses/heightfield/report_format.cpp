#include "heightfield/report_format.h"

#include "common/file_names.h"
#include "common/number_format.h"

namespace membrane {
namespace {

template <typename Value, typename Format>
void RenderKeyedList(TextSink& out, const KeyedValueList<Value>& list, Format format) {
    if (list.Empty()) return;
    out.Line(list.Title() + " " + std::to_string(list.Count()) + " ");
    for (const auto& entry : list.Entries()) out.Line("   " + format(entry.value));
    out.Line();
}

}  // namespace

void RenderReportHeader(TextSink& out, const std::string& reportFileName) {
    out.Line("OUTPUT FILE : " + PrintableName(ExtractFileName(reportFileName)));
    out.Line();
}

void RenderNodeEcho(TextSink& out, const NodeTable& nodes) {
    if (nodes.Empty()) return;
    out.Line("&COORDINATES  " + std::to_string(nodes.Count()) + " ");
    const std::string planHeight = FormatScientific(0.0);
    for (const NodeEntry& node : nodes.Nodes())
        out.Line("   NODE " + FormatInt(node.number, 4) + " " + FormatScientific(node.x) + " " +
                 FormatScientific(node.y) + " " + planHeight);
    out.Line();
}

void RenderElementEcho(TextSink& out, const ElementTable& elements) {
    if (elements.Empty()) return;
    out.Line("&ELEMENTS  " + std::to_string(elements.Count()) + " ");
    for (const ElementEntry& element : elements.Elements()) {
        std::string line = "   " + FormatInt(element.number, 4);
        for (std::int32_t node : elements.NodesOf(element)) line += " " + std::to_string(node);
        out.Line(line);
    }
    out.Line();
}

void RenderListEcho(TextSink& out, const IntList& list) {
    RenderKeyedList(out, list, [](std::int32_t value) { return std::to_string(value); });
}

void RenderListEcho(TextSink& out, const RealList& list) {
    RenderKeyedList(out, list, [](double value) { return FormatScientific(value); });
}

void RenderReportTables(TextSink& out, const Model& model, const std::string& reportFileName,
                        const std::atomic<bool>& stop) {
    RenderReportHeader(out, reportFileName);
    if (!stop) RenderNodeEcho(out, model.nodes);
    if (!stop) RenderElementEcho(out, model.elements);
    if (!stop) RenderListEcho(out, model.constraints);
    if (!stop) RenderListEcho(out, model.initial);
}

void RenderReportResults(TextSink& out, int iterations, double accuracy,
                         std::span<const double> heights) {
    out.Line();
    out.Line("number of iterations : " + FormatInt(iterations, 3) +
             "     accurracy : " + FormatFixedWidth(accuracy, 12, 10));
    out.Line();
    if (heights.empty()) return;
    out.Line("&SOLUTION " + std::to_string(heights.size()) + " ");
    for (const double height : heights) out.Line("   " + FormatScientific(height));
    out.Line();
}

}  // namespace membrane
