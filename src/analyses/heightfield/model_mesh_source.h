// The mesh drawing's view of a model: its node, element, boundary, held-node and
// initial-value tables, and whether it loaded and ran.
#pragma once

#include <cstdint>
#include <span>

#include "heightfield/model.h"
#include "plot/mesh_source.h"

namespace membrane {

// How far the run of the model got.
struct RunStatus {
    bool modelLoaded = false;       // every table read and the model check passed
    bool resultsAvailable = false;  // the run succeeded
    // The run's wall triangles (positions in the element table); they must outlive the
    // source.
    std::span<const std::int32_t> walls = {};
};

class ModelMeshSource final : public MeshSource {
  public:
    // `model` may be null (nothing loaded); it must outlive the source.
    ModelMeshSource(const Model* model, RunStatus status)
        : model_(model),
          loaded_(status.modelLoaded),
          results_(status.resultsAvailable),
          walls_(status.walls) {}

    bool ModelLoaded() const override { return loaded_; }
    bool ResultsAvailable() const override { return results_; }
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
    void ForEachWall(const std::function<void(std::span<const int>)>& visit) const override;

  private:
    const Model* model_;
    bool loaded_;
    bool results_;
    std::span<const std::int32_t> walls_;
};

}  // namespace membrane
