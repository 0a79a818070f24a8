#include "heightfield/model_mesh_source.h"

namespace membrane {

bool ModelMeshSource::HasNodeTable() const {
    return model_ != nullptr;
}
double ModelMeshSource::XMin() const {
    return model_ ? model_->nodes.Extent().xMin : 0.0;
}
double ModelMeshSource::XMax() const {
    return model_ ? model_->nodes.Extent().xMax : 0.0;
}
double ModelMeshSource::YMin() const {
    return model_ ? model_->nodes.Extent().yMin : 0.0;
}
double ModelMeshSource::YMax() const {
    return model_ ? model_->nodes.Extent().yMax : 0.0;
}

std::size_t ModelMeshSource::NodeCount() const {
    return model_ ? model_->nodes.Nodes().size() : 0;
}

void ModelMeshSource::ForEachNode(const std::function<void(const MeshNode&)>& visit) const {
    if (!model_) return;
    for (const NodeEntry& node : model_->nodes.Nodes())
        visit(MeshNode{node.number, node.x, node.y});
}

std::optional<MeshNode> ModelMeshSource::FindNode(int number) const {
    const NodeEntry* node = model_ ? model_->nodes.Find(number) : nullptr;
    if (node == nullptr) return std::nullopt;
    return MeshNode{node->number, node->x, node->y};
}

bool ModelMeshSource::HasElementTable() const {
    return model_ != nullptr;
}

void ModelMeshSource::ForEachElement(
    const std::function<void(int, std::span<const int>)>& visit) const {
    if (!model_) return;
    const ElementTable& table = model_->elements;
    for (const ElementEntry& element : table.Elements())
        if (element.nodeCount > 0) visit(element.number, table.NodesOf(element));
}

std::optional<std::vector<int>> ModelMeshSource::FindElementNodes(int number) const {
    const ElementEntry* element = model_ ? model_->elements.Find(number) : nullptr;
    if (element == nullptr || element->nodeCount == 0) return std::nullopt;
    const auto nodes = model_->elements.NodesOf(*element);
    return std::vector<int>(nodes.begin(), nodes.end());
}

bool ModelMeshSource::HasEdgePairs() const {
    return model_ != nullptr;
}

void ModelMeshSource::ForEachEdgePair(const std::function<void(int, int)>& visit) const {
    if (!model_) return;
    for (const BoundarySide& side : model_->boundary.sides) visit(side.first, side.second);
}

bool ModelMeshSource::HasConstraints() const {
    return model_ != nullptr;
}

void ModelMeshSource::ForEachConstrained(const std::function<void(int)>& visit) const {
    if (!model_) return;
    for (const auto& entry : model_->constraints.Entries()) visit(entry.value);
}

bool ModelMeshSource::HasInitialValues() const {
    return model_ != nullptr;
}

void ModelMeshSource::ForEachInitial(const std::function<void(int)>& visit) const {
    if (!model_) return;
    for (const auto& entry : model_->initial.Entries()) visit(entry.key);
}

void ModelMeshSource::ForEachWall(const std::function<void(std::span<const int>)>& visit) const {
    if (!model_) return;
    const auto& elements = model_->elements.Elements();
    for (const std::int32_t k : walls_)
        if (k >= 0 && static_cast<std::size_t>(k) < elements.size())
            visit(model_->elements.NodesOf(elements[k]));
}

}  // namespace membrane
