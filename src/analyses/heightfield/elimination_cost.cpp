#include "heightfield/elimination_cost.h"

#include <algorithm>
#include <numeric>
#include <vector>

namespace membrane {
namespace {

using NodeGraph = SparsePattern::Graph;

// The node graph in compressed rows, over node indices (node table order), from the bar
// table: every distinct triangle side once.
NodeGraph GraphOf(const Model& model) {
    const auto n = static_cast<std::size_t>(model.nodes.Count());
    NodeGraph graph;
    graph.start.assign(n + 1, 0);
    const auto ends = [&](const ElementEntry& bar, std::int32_t& a, std::int32_t& b) {
        const auto nodes = model.bars.NodesOf(bar);
        if (nodes.size() != 2) return false;
        a = model.nodes.IndexOf(nodes[0]);
        b = model.nodes.IndexOf(nodes[1]);
        return a >= 0 && b >= 0 && a != b;
    };
    std::int32_t a = 0, b = 0;
    for (const ElementEntry& bar : model.bars.Elements())
        if (ends(bar, a, b)) {
            ++graph.start[a + 1];
            ++graph.start[b + 1];
        }
    std::partial_sum(graph.start.begin(), graph.start.end(), graph.start.begin());
    graph.neighbours.resize(static_cast<std::size_t>(graph.start[n]));
    std::vector<std::int32_t> fill(graph.start.begin(), graph.start.end() - 1);
    for (const ElementEntry& bar : model.bars.Elements())
        if (ends(bar, a, b)) {
            graph.neighbours[fill[a]++] = b;
            graph.neighbours[fill[b]++] = a;
        }
    return graph;
}

// The elimination's row order, as node indices: the system has a row for every node of a
// triangle and every held node, holding the node's diagonal and one entry per neighbour;
// ascending entry count, ties by descending node number.
std::vector<std::int32_t> RowOrder(const Model& model, const NodeGraph& graph) {
    const auto n = static_cast<std::size_t>(model.nodes.Count());
    std::vector<char> hasRow(n, 0);
    for (std::size_t v = 0; v < n; ++v) hasRow[v] = graph.start[v + 1] > graph.start[v];
    for (const auto& held : model.constraints.Entries())
        if (const std::int32_t v = model.nodes.IndexOf(held.value); v >= 0) hasRow[v] = 1;
    std::vector<std::int32_t> numbers(n);
    for (std::size_t v = 0; v < n; ++v) numbers[v] = model.nodes.Nodes()[v].number;
    return EliminationRowOrder(graph, hasRow, numbers);
}

}  // namespace

std::vector<std::int32_t> EliminationRowOrder(const Model& model) {
    std::vector<std::int32_t> order = RowOrder(model, GraphOf(model));
    for (std::int32_t& v : order) v = model.nodes.Nodes()[v].number;
    return order;
}

EliminationCost PredictEliminationCost(const Model& model, double limit) {
    const auto n = static_cast<std::size_t>(model.nodes.Count());
    const auto sides = static_cast<double>(model.bars.Count());
    // Every side is an entry of L, so sum c(k) >= sides and, by Cauchy-Schwarz,
    // sum c(k)^2 >= sides^2 / n: a mesh too large for the limit needs no graph.
    if (n == 0 || sides * sides / static_cast<double>(n) > limit) {
        EliminationCost cost;
        cost.multiplyAdds = n == 0 ? 0.0 : sides * sides / static_cast<double>(n);
        cost.factorEntries = sides;
        cost.overLimit = n > 0;
        return cost;
    }
    const NodeGraph graph = GraphOf(model);
    return CountEliminationWork(graph, RowOrder(model, graph), limit);
}

}  // namespace membrane
