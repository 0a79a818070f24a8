#include "linalg/elimination_cost.h"

#include <algorithm>
#include <numeric>

namespace membrane {

std::vector<std::int32_t> EliminationRowOrder(const SparsePattern::Graph& graph,
                                              std::span<const char> hasRow,
                                              std::span<const std::int32_t> label) {
    const std::size_t n = graph.start.size() - 1;
    std::vector<std::int32_t> order;
    for (std::size_t v = 0; v < n; ++v)
        if (hasRow[v]) order.push_back(static_cast<std::int32_t>(v));
    std::stable_sort(order.begin(), order.end(), [&](std::int32_t p, std::int32_t q) {
        const std::int32_t dp = graph.start[p + 1] - graph.start[p];
        const std::int32_t dq = graph.start[q + 1] - graph.start[q];
        if (dp != dq) return dp < dq;
        return label[p] > label[q];
    });
    return order;
}

EliminationCost CountEliminationWork(const SparsePattern::Graph& graph,
                                     std::span<const std::int32_t> order, double limit) {
    EliminationCost cost;
    const std::size_t n = graph.start.size() - 1;
    const auto rows = static_cast<double>(order.size());
    const double edges = static_cast<double>(graph.neighbours.size()) / 2;
    // Every edge is an entry of L, so sum c(k) >= edges and, by Cauchy-Schwarz,
    // sum c(k)^2 >= edges^2 / rows: a graph too large for the limit needs no count.
    if (order.empty() || edges * edges / rows > limit) {
        cost.multiplyAdds = order.empty() ? 0.0 : edges * edges / rows;
        cost.factorEntries = edges;
        cost.overLimit = !order.empty();
        return cost;
    }
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
            if (i == -1 || i > k) continue;
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

EliminationCost PredictEliminationCost(const SparsePattern& pattern, double limit) {
    const SparsePattern::Graph graph = pattern.Adjacency();
    const auto n = static_cast<std::size_t>(pattern.Size());
    const std::vector<char> hasRow(n, 1);
    std::vector<std::int32_t> label(n);
    std::iota(label.begin(), label.end(), 0);
    return CountEliminationWork(graph, EliminationRowOrder(graph, hasRow, label), limit);
}

}  // namespace membrane
