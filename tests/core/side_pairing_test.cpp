// The boundary analysis and the bar table find repeated sides by sorting all sides at
// once. Their results must be exactly those of taking the sides one by one as the
// program defines them: compared here on random element tables full of shared, repeated
// and degenerate sides, with node numbers of every size and sign.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "heightfield/bar_table.h"
#include "heightfield/boundary.h"

namespace membrane {
namespace {

using Side = std::pair<std::int32_t, std::int32_t>;

// The boundary by its definition: the sides in file order, node i to node i + 1 and the
// last to the first; a side met before (in either order) leaves the list, any other joins
// its end.
std::vector<Side> PairOneByOne(const ElementTable& elements) {
    std::vector<Side> list;
    for (const ElementEntry& element : elements.Elements()) {
        const auto nodes = elements.NodesOf(element);
        for (std::size_t i = 0; i < nodes.size(); ++i) {
            const std::int32_t a = nodes[i], b = nodes[(i + 1) % nodes.size()];
            const Side side{std::min(a, b), std::max(a, b)};
            const auto it = std::find(list.begin(), list.end(), side);
            if (it != list.end())
                list.erase(it);
            else
                list.push_back(side);
        }
    }
    return list;
}

// The bar table by its definition: each side (1-2, 2-3, 1-3, ...) becomes a bar unless a
// bar joins the same two nodes, or, for a side from a node to itself, touches the node.
std::vector<std::vector<std::int32_t>> BarsOneByOne(const ElementTable& elements) {
    std::vector<std::vector<std::int32_t>> bars;  // nodes, then the number
    auto known = [&](std::int32_t a, std::int32_t b) {
        return std::any_of(bars.begin(), bars.end(), [&](const std::vector<std::int32_t>& bar) {
            if (a == b) return bar[0] == a || bar[1] == a;
            return (bar[0] == a && bar[1] == b) || (bar[0] == b && bar[1] == a);
        });
    };
    for (const ElementEntry& element : elements.Elements()) {
        const auto nodes = elements.NodesOf(element);
        const std::size_t k = nodes.size();
        for (std::size_t j = 1; j <= k; ++j) {
            std::int32_t side[2] = {nodes[0], nodes[j - 1]};
            if (j < k && j < 3) side[0] = nodes[j - 1], side[1] = nodes[j];
            if (k < 2) side[1] = nodes[0];
            if (!known(side[0], side[1]))
                bars.push_back({side[0], side[1], static_cast<std::int32_t>(bars.size() + 1)});
        }
    }
    return bars;
}

std::vector<std::vector<std::int32_t>> BarsOf(const ElementTable& bars) {
    std::vector<std::vector<std::int32_t>> list;
    for (const ElementEntry& bar : bars.Elements()) {
        const auto nodes = bars.NodesOf(bar);
        list.emplace_back(nodes.begin(), nodes.end());
        list.back().push_back(bar.number);
    }
    return list;
}

// Elements over a small set of node numbers, so that sides repeat two, three and more
// times; mostly triangles, some with a repeated node, some of other sizes.
ElementTable RandomElements(std::mt19937& random, int count, bool degenerate) {
    static const std::int32_t numbers[] = {1, 2,  3, 4,     5,       6,          7,
                                           8, -3, 0, 70000, 1 << 24, 2147483647, -2147483647 - 1};
    std::uniform_int_distribution<int> node(0, std::size(numbers) - 1), size(1, 12);
    ElementTable elements;
    for (int e = 1; e <= count; ++e) {
        const int k = size(random);
        std::vector<std::int32_t> nodes(k <= 9 ? 3 : k - 9);
        for (auto& n : nodes) n = numbers[node(random)];
        if (!degenerate && nodes.size() == 3)
            while (nodes[1] == nodes[0] || nodes[2] == nodes[0] || nodes[2] == nodes[1])
                nodes = {numbers[node(random)], numbers[node(random)], numbers[node(random)]};
        if (!degenerate && nodes.size() != 3) nodes = {1, 2, 3};
        elements.Add(e, 1, nodes);
    }
    return elements;
}

TEST(SidePairing, BoundaryKeepsTheOrderOfTheSidesAndFindsEveryNode) {
    std::mt19937 random(7);
    for (int trial = 0; trial < 200; ++trial) {
        const ElementTable elements = RandomElements(random, 1 + trial % 40, trial % 2 == 0);
        const std::vector<Side> expected = PairOneByOne(elements);
        const Boundary boundary = FindBoundary(elements);
        std::vector<Side> sides;
        std::vector<std::int32_t> nodes;
        for (const BoundarySide& s : boundary.sides) {
            sides.emplace_back(s.first, s.second);
            nodes.insert(nodes.end(), {s.first, s.second});
        }
        ASSERT_EQ(sides, expected) << "trial " << trial;
        std::sort(nodes.begin(), nodes.end());
        nodes.erase(std::unique(nodes.begin(), nodes.end()), nodes.end());
        ASSERT_EQ(boundary.nodes, nodes) << "trial " << trial;
    }
}

TEST(SidePairing, BarTableKeepsNumbersAndNodeOrder) {
    std::mt19937 random(11);
    for (int trial = 0; trial < 200; ++trial) {
        const ElementTable elements = RandomElements(random, 1 + trial % 40, trial % 3 == 0);
        ASSERT_EQ(BarsOf(BuildBarTable(elements)), BarsOneByOne(elements)) << "trial " << trial;
    }
}

TEST(SidePairing, SmallMeshes) {
    auto boundaryOf = [](const std::vector<std::vector<std::int32_t>>& triangles) {
        ElementTable elements;
        std::int32_t number = 0;
        for (const auto& t : triangles) elements.Add(++number, 1, t);
        return FindBoundary(elements);
    };
    // Interior node 5 of a fan of four triangles is not on the boundary.
    EXPECT_EQ(boundaryOf({{1, 2, 5}, {2, 3, 5}, {3, 4, 5}, {4, 1, 5}}).nodes,
              (std::vector<std::int32_t>{1, 2, 3, 4}));
    // A repeated node gives a side (n, n) and the node once; its other two sides are the
    // same side twice and cancel.
    const Boundary repeated = boundaryOf({{30, 30, 10}});
    EXPECT_EQ(repeated.nodes, (std::vector<std::int32_t>{30}));
    ASSERT_EQ(repeated.sides.size(), 1u);
    // Two copies of the same triangle cancel completely: no boundary.
    EXPECT_TRUE(boundaryOf({{1, 2, 3}, {3, 2, 1}}).sides.empty());
}

}  // namespace
}  // namespace membrane
