#include "heightfield/elimination_cost.h"

#include <algorithm>
#include <numeric>
#include <vector>

namespace membrane {
namespace {

// The node graph in compressed rows: the neighbours of node index v (node table order)
// are neighbours[start[v] .. start[v + 1]).
struct NodeGraph {
    std::vector<std::int32_t> start;
    std::vector<std::int32_t> neighbours;
};

// From the bar table: every distinct triangle side once.
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
    std::vector<std::int32_t> order;
    for (std::size_t v = 0; v < n; ++v)
        if (hasRow[v]) order.push_back(static_cast<std::int32_t>(v));
    const auto& nodes = model.nodes.Nodes();
    std::stable_sort(order.begin(), order.end(), [&](std::int32_t p, std::int32_t q) {
        const std::int32_t dp = graph.start[p + 1] - graph.start[p];
        const std::int32_t dq = graph.start[q + 1] - graph.start[q];
        if (dp != dq) return dp < dq;
        return nodes[p].number > nodes[q].number;
    });
    return order;
}

}  // namespace

std::vector<std::int32_t> EliminationRowOrder(const Model& model) {
    std::vector<std::int32_t> order = RowOrder(model, GraphOf(model));
    for (std::int32_t& v : order) v = model.nodes.Nodes()[v].number;
    return order;
}

EliminationCost PredictEliminationCost(const Model& model, double limit) {
    EliminationCost cost;
    const auto n = static_cast<std::size_t>(model.nodes.Count());
    const auto sides = static_cast<double>(model.bars.Count());
    // Every side is an entry of L, so sum c(k) >= sides and, by Cauchy-Schwarz,
    // sum c(k)^2 >= sides^2 / n: a mesh too large for the limit needs no count.
    if (n == 0 || sides * sides / static_cast<double>(n) > limit) {
        cost.multiplyAdds = n == 0 ? 0.0 : sides * sides / static_cast<double>(n);
        cost.factorEntries = sides;
        cost.overLimit = n > 0;
        return cost;
    }
    const NodeGraph graph = GraphOf(model);

    const std::vector<std::int32_t> order = RowOrder(model, graph);
    const auto m = static_cast<std::int32_t>(order.size());
    std::vector<std::int32_t> position(n, -1);
    for (std::int32_t k = 0; k < m; ++k) position[order[k]] = k;

    // Pivot by pivot: the elimination tree grows by pivot k (Liu's algorithm with path
    // compression), then row k of L is the subtree of the tree that k's earlier
    // neighbours reach, each of its nodes i getting one more entry in its column.
    std::vector<std::int32_t> parent(m, -1), ancestor(m, -1), mark(m, -1), column(m, 0);
    double work = 0.0, entries = 0.0;
    for (std::int32_t k = 0; k < m; ++k) {
        const std::int32_t v = order[k];
        for (std::int32_t e = graph.start[v]; e < graph.start[v + 1]; ++e) {
            std::int32_t i = position[graph.neighbours[e]];
            while (i != -1 && i < k) {
                const std::int32_t next = ancestor[i];
                ancestor[i] = k;
                if (next == -1) parent[i] = k;
                i = next;
            }
        }
        mark[k] = k;
        for (std::int32_t e = graph.start[v]; e < graph.start[v + 1]; ++e) {
            std::int32_t i = position[graph.neighbours[e]];
            if (i > k) continue;
            for (; mark[i] != k; i = parent[i]) {
                mark[i] = k;
                work += 2.0 * column[i] + 1.0;  // c^2 -> (c + 1)^2
                ++column[i];
                entries += 1.0;
            }
        }
        if (work > limit) {
            cost.overLimit = true;
            break;
        }
    }
    cost.multiplyAdds = work;
    cost.factorEntries = entries;
    return cost;
}

}  // namespace membrane
