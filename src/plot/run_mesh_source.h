// The mesh drawing's view of a run: the node, element, boundary, constraint and
// initial-value tables of the run state.
#pragma once

#include "common/run_state.h"
#include "plot/mesh_source.h"

namespace membrane {

class RunMeshSource final : public MeshSource {
public:
    explicit RunMeshSource(const RunState& state) : state_(state) {}

    bool ModelLoaded() const override { return state_.modelLoaded; }
    bool ResultsAvailable() const override { return state_.resultsAvailable; }
    bool HasNodeTable() const override;
    double XMin() const override;
    double XMax() const override;
    double YMin() const override;
    double YMax() const override;
    std::size_t NodeCount() const override;
    void ForEachNode(const std::function<void(const MeshNode&)>& visit) const override;
    std::optional<MeshNode> FindNode(int number) const override;
    bool HasElementTable() const override;
    void ForEachElement(const std::function<void(int, std::span<const int>)>& visit) const override;
    std::optional<std::vector<int>> FindElementNodes(int number) const override;
    bool HasEdgePairs() const override;
    void ForEachEdgePair(const std::function<void(int, int)>& visit) const override;
    bool HasConstraints() const override;
    void ForEachConstrained(const std::function<void(int)>& visit) const override;
    bool HasInitialValues() const override;
    void ForEachInitial(const std::function<void(int)>& visit) const override;

private:
    const RunState& state_;
};

}  // namespace membrane
