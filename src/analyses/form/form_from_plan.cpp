#include "form/form_from_plan.h"

namespace membrane {

FormModel FormModelFromPlan(const Model& model, double stress) {
    FormModel form;
    form.fileName = model.fileName;
    form.surfaceFile = model.fileName;
    const auto& nodes = model.nodes.Nodes();
    form.start.reserve(nodes.size());
    form.labels.reserve(nodes.size());
    for (std::size_t i = 0; i < nodes.size(); ++i) {
        form.start.push_back({nodes[i].x, nodes[i].y, model.startHeights[i]});
        form.labels.push_back(nodes[i].number);
    }
    form.regions.push_back({"membrane", stress, 0.0});
    for (const ElementEntry& element : model.elements.Elements()) {
        const auto corners = model.elements.NodesOf(element);
        if (corners.size() != 3) continue;
        std::array<std::int32_t, 3> triangle;
        bool known = true;
        for (int k = 0; k < 3; ++k) {
            triangle[k] = model.nodes.IndexOf(corners[k]);
            known = known && triangle[k] >= 0;
        }
        if (!known) continue;
        form.triangles.push_back(triangle);
        form.triangleRegion.push_back(0);
    }
    SupportSpec held{"held nodes", {}};
    for (const auto& entry : model.constraints.Entries())
        if (const std::int32_t i = model.nodes.IndexOf(entry.value); i >= 0)
            held.nodes.push_back(i);
    form.supports.push_back(std::move(held));
    FinishFormModel(form);
    return form;
}

}  // namespace membrane
