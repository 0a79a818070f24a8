#include "heightfield/node_numbering.h"

#include <camd.h>

#include <algorithm>
#include <cstdint>
#include <numeric>
#include <vector>

namespace membrane {
namespace {

// The node graph in compressed columns (each node's neighbours, sorted, without itself),
// as CAMD takes a symmetric pattern.
struct Pattern {
    std::vector<int> start;
    std::vector<int> rows;
};

Pattern NodeGraph(const PlanModel& plan) {
    const std::size_t n = plan.nodes.size();
    std::vector<int> count(n + 1, 0);
    for (const auto& t : plan.triangles)
        for (const std::uint32_t v : t) count[v + 1] += 2;
    std::partial_sum(count.begin(), count.end(), count.begin());
    std::vector<int> sides(static_cast<std::size_t>(count[n]));
    std::vector<int> fill(count.begin(), count.end() - 1);
    for (const auto& t : plan.triangles)
        for (int k = 0; k < 3; ++k) {
            const std::uint32_t v = t[k];
            sides[fill[v]++] = static_cast<int>(t[(k + 1) % 3]);
            sides[fill[v]++] = static_cast<int>(t[(k + 2) % 3]);
        }
    Pattern pattern;
    pattern.start.assign(n + 1, 0);
    pattern.rows.reserve(sides.size() / 2);
    for (std::size_t v = 0; v < n; ++v) {
        const auto first = sides.begin() + count[v], last = sides.begin() + count[v + 1];
        std::sort(first, last);
        pattern.rows.insert(pattern.rows.end(), first, std::unique(first, last));
        pattern.start[v + 1] = static_cast<int>(pattern.rows.size());
    }
    return pattern;
}

template <typename T>
void Permute(std::vector<T>& values, const std::vector<std::uint32_t>& newIndex) {
    std::vector<T> moved(values.size());
    for (std::size_t i = 0; i < values.size(); ++i) moved[newIndex[i]] = values[i];
    values = std::move(moved);
}

}  // namespace

void NumberForElimination(PlanModel& plan) {
    const std::size_t n = plan.nodes.size();
    if (n < 2) return;
    const Pattern graph = NodeGraph(plan);

    // Constraint set: the rank of the node's neighbour count among those of the mesh.
    std::vector<int> degree(n), distinct;
    for (std::size_t v = 0; v < n; ++v) degree[v] = graph.start[v + 1] - graph.start[v];
    distinct = degree;
    std::sort(distinct.begin(), distinct.end());
    distinct.erase(std::unique(distinct.begin(), distinct.end()), distinct.end());
    std::vector<int> set(n);
    for (std::size_t v = 0; v < n; ++v)
        set[v] = static_cast<int>(std::lower_bound(distinct.begin(), distinct.end(), degree[v]) -
                                  distinct.begin());

    std::vector<int> order(n + 1);  // CAMD asks for n + 1
    double control[CAMD_CONTROL], info[CAMD_INFO];
    camd_defaults(control);
    const int status = camd_order(static_cast<int>(n), graph.start.data(), graph.rows.data(),
                                  order.data(), control, info, set.data());
    if (status != CAMD_OK && status != CAMD_OK_BUT_JUMBLED) return;  // keeps the mesher's order

    // The k-th node eliminated gets number n - k (index n - 1 - k): descending numbers
    // within a count are then the elimination's own order.
    std::vector<std::uint32_t> newIndex(n);
    for (std::size_t k = 0; k < n; ++k)
        newIndex[static_cast<std::size_t>(order[k])] = static_cast<std::uint32_t>(n - 1 - k);
    Permute(plan.nodes, newIndex);
    Permute(plan.heights, newIndex);
    std::vector<bool> held(n);
    for (std::size_t i = 0; i < n; ++i) held[newIndex[i]] = plan.held[i];
    plan.held = std::move(held);
    for (auto& t : plan.triangles)
        for (std::uint32_t& v : t) v = newIndex[v];
}

}  // namespace membrane
