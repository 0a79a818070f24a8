#include "plot/run_mesh_source.h"

#include "model/coor_table.h"
#include "model/elem_table.h"
#include "model/value_lists.h"

namespace membrane {

bool RunMeshSource::HasNodeTable() const { return state_.model.nodes != nullptr; }
double RunMeshSource::XMin() const { return state_.model.nodes ? state_.model.nodes->xMin : 0.0; }
double RunMeshSource::XMax() const { return state_.model.nodes ? state_.model.nodes->xMax : 0.0; }
double RunMeshSource::YMin() const { return state_.model.nodes ? state_.model.nodes->yMin : 0.0; }
double RunMeshSource::YMax() const { return state_.model.nodes ? state_.model.nodes->yMax : 0.0; }

std::size_t RunMeshSource::NodeCount() const {
    return state_.model.nodes ? state_.model.nodes->Nodes().size() : 0;
}

void RunMeshSource::ForEachNode(const std::function<void(const MeshNode&)>& visit) const {
    if (!state_.model.nodes) return;
    for (const NodeEntry& node : state_.model.nodes->Nodes()) visit(MeshNode{node.number, node.x, node.y});
}

std::optional<MeshNode> RunMeshSource::FindNode(int number) const {
    if (!state_.model.nodes) return std::nullopt;
    const NodeEntry* node = state_.model.nodes->FindNode(number);
    if (node == nullptr) return std::nullopt;
    return MeshNode{node->number, node->x, node->y};
}

bool RunMeshSource::HasElementTable() const { return state_.model.elements != nullptr; }

void RunMeshSource::ForEachElement(const std::function<void(int, std::span<const int>)>& visit) const {
    if (!state_.model.elements) return;
    const TElemClass& table = *state_.model.elements;
    for (const ElementEntry& element : table.Elements())
        if (element.nodeCount > 0) visit(element.number, table.NodesOf(element));
}

std::optional<std::vector<int>> RunMeshSource::FindElementNodes(int number) const {
    if (!state_.model.elements) return std::nullopt;
    const ElementEntry* element = state_.model.elements->FindElement(number);
    if (element == nullptr || element->nodeCount == 0) return std::nullopt;
    const auto nodes = state_.model.elements->NodesOf(*element);
    return std::vector<int>(nodes.begin(), nodes.end());
}

bool RunMeshSource::HasEdgePairs() const { return state_.model.edgePairs != nullptr; }

void RunMeshSource::ForEachEdgePair(const std::function<void(int, int)>& visit) const {
    if (!state_.model.edgePairs) return;
    state_.model.edgePairs->ForEach([&](const TwoIntEntry& e) { visit(e.first, e.second); });
}

bool RunMeshSource::HasConstraints() const { return state_.model.constraints != nullptr; }

void RunMeshSource::ForEachConstrained(const std::function<void(int)>& visit) const {
    if (!state_.model.constraints) return;
    for (const auto& entry : state_.model.constraints->Entries()) visit(entry.value);
}

bool RunMeshSource::HasInitialValues() const { return state_.model.initial != nullptr; }

void RunMeshSource::ForEachInitial(const std::function<void(int)>& visit) const {
    if (!state_.model.initial) return;
    for (const auto& entry : state_.model.initial->Entries()) visit(entry.key);
}

}  // namespace membrane
