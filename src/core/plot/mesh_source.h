// Read-only view of a model and its run that the mesh drawing needs. "File order"
// means oldest entry first, the order in which the tables were read from the model file.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <span>
#include <vector>

namespace membrane {

struct MeshNode {
    int number = 0;
    double x = 0;
    double y = 0;
};

class MeshSource {
  public:
    virtual ~MeshSource() = default;

    virtual bool ModelLoaded() const = 0;       // result of the latest model loading
    virtual bool ResultsAvailable() const = 0;  // true after a successful run

    virtual bool HasNodeTable() const = 0;
    // Extents of the node table.
    virtual double XMin() const = 0;
    virtual double XMax() const = 0;
    virtual double YMin() const = 0;
    virtual double YMax() const = 0;
    virtual std::size_t NodeCount() const = 0;
    virtual void ForEachNode(const std::function<void(const MeshNode&)>& visit) const = 0;
    // The node with this number; the newest entry wins when a number repeats.
    virtual std::optional<MeshNode> FindNode(int number) const = 0;

    virtual bool HasElementTable() const = 0;
    // Only the elements that have a node list, in file order.
    virtual void ForEachElement(
        const std::function<void(int number, std::span<const int> nodes)>& visit) const = 0;
    // The node list of the element with this number; nullopt when there is no such element
    // or it has no node list.
    virtual std::optional<std::vector<int>> FindElementNodes(int number) const = 0;

    // Boundary edges as pairs of node numbers.
    virtual bool HasEdgePairs() const = 0;
    virtual void ForEachEdgePair(const std::function<void(int a, int b)>& visit) const = 0;

    virtual bool HasConstraints() const = 0;
    virtual void ForEachConstrained(const std::function<void(int node)>& visit) const = 0;

    virtual bool HasInitialValues() const = 0;
    virtual void ForEachInitial(const std::function<void(int node)>& visit) const = 0;

    // The triangles of the run's membrane that stand as near-vertical walls, by their node
    // lists; none by default.
    virtual void ForEachWall(const std::function<void(std::span<const int> nodes)>&) const {}
};

}  // namespace membrane
