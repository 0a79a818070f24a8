// The boundary analysis and the bar table find repeated sides by sorting all sides at
// once. Their results must be exactly those of taking the sides one by one as the lists
// define it (the edge-pair list with its keys and order, the bar table with its numbers
// and node order): compared here on random element tables full of shared, repeated and
// degenerate sides, with node numbers of every size and sign.
#include <gtest/gtest.h>

#include <random>
#include <tuple>

#include "model/elem_table.h"
#include "model/value_lists.h"
#include "output/boundary_points.h"

namespace membrane {
namespace {

using Entries = std::vector<std::tuple<std::int32_t, std::int32_t, std::int32_t>>;

Entries EntriesOf(const TTwoIntList& list) {
    Entries entries;
    list.ForEach([&](const TwoIntEntry& e) { entries.emplace_back(e.key, e.first, e.second); });
    return entries;
}

// The edge-pair list by its definition: a side seen before is removed, any other added
// with the largest key + 1.
TTwoIntList PairOneByOne(const TElemClass& elements) {
    TTwoIntList pairs;
    for (const ElementEntry& element : elements.Elements()) {
        const auto nodes = elements.NodesOf(element);
        for (std::size_t i = 0; i < nodes.size(); ++i) {
            const std::int32_t a = nodes[i], b = nodes[(i + 1) % nodes.size()];
            const std::int32_t key = pairs.FindPair(std::min(a, b), std::max(a, b));
            if (key != 0)
                pairs.Remove(key);
            else
                pairs.Add(pairs.MaxKey() + 1, std::min(a, b), std::max(a, b));
        }
    }
    return pairs;
}

// The bar table by its definition: each side (1-2, 2-3, 1-3, ...) that FindByNodes does
// not find yet becomes a bar.
void BarsOneByOne(const TElemClass& elements, TElemClass& bars) {
    for (const ElementEntry& element : elements.Elements()) {
        const auto nodes = elements.NodesOf(element);
        const std::size_t k = nodes.size();
        for (std::size_t j = 1; j <= k; ++j) {
            std::int32_t side[2] = {nodes[0], nodes[j - 1]};
            if (j < k && j < 3) side[0] = nodes[j - 1], side[1] = nodes[j];
            if (k < 2) side[1] = nodes[0];
            if (bars.FindByNodes(side) == nullptr) bars.Add(bars.MaxNumber() + 1, 1, 0.0, side);
        }
    }
}

std::vector<std::vector<std::int32_t>> BarsOf(const TElemClass& bars) {
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
TElemClass RandomElements(std::mt19937& random, int count, bool degenerate) {
    static const std::int32_t numbers[] = {1, 2,  3, 4,     5,       6,          7,
                                           8, -3, 0, 70000, 1 << 24, 2147483647, -2147483647 - 1};
    std::uniform_int_distribution<int> node(0, std::size(numbers) - 1), size(1, 12);
    TElemClass elements(false, "");
    for (int e = 1; e <= count; ++e) {
        const int k = size(random);
        std::vector<std::int32_t> nodes(k <= 9 ? 3 : k - 9);
        for (auto& n : nodes) n = numbers[node(random)];
        if (!degenerate && nodes.size() == 3)
            while (nodes[1] == nodes[0] || nodes[2] == nodes[0] || nodes[2] == nodes[1])
                nodes = {numbers[node(random)], numbers[node(random)], numbers[node(random)]};
        if (!degenerate && nodes.size() != 3) nodes = {1, 2, 3};
        elements.Add(e, 1, 0.0, nodes);
    }
    return elements;
}

TEST(SidePairing, BoundaryAnalysisKeepsKeysOrderAndBoundaryNodes) {
    std::mt19937 random(7);
    for (int trial = 0; trial < 200; ++trial) {
        RunState state;
        state.model.elements =
            std::make_unique<TElemClass>(RandomElements(random, 1 + trial % 40, trial % 2 == 0));
        const TTwoIntList expected = PairOneByOne(*state.model.elements);
        const bool found = FindBoundaryNodes(state);
        TTwoIntList& pairs = *state.model.edgePairs;
        ASSERT_EQ(found, expected.Count() > 0);
        ASSERT_EQ(EntriesOf(pairs), EntriesOf(expected)) << "trial " << trial;
        ASSERT_EQ(pairs.MaxKey(), expected.MaxKey());

        // The list goes on behaving the same: removals and additions.
        TTwoIntList reference = expected;
        while (reference.Count() > 0) {
            const Entries live = EntriesOf(reference);
            const std::int32_t key = std::get<0>(live[live.size() / 2]);
            const auto a = reference.Remove(key), b = pairs.Remove(key);
            ASSERT_EQ(a.has_value(), b.has_value());
            if (a) {
                ASSERT_EQ(std::tie(a->key, a->first, a->second),
                          std::tie(b->key, b->first, b->second));
            }
            reference.Add(reference.MaxKey() + 1, 9, 10);
            pairs.Add(pairs.MaxKey() + 1, 9, 10);
            ASSERT_EQ(EntriesOf(pairs), EntriesOf(reference));
            reference.Remove(reference.MaxKey());
            pairs.Remove(pairs.MaxKey());
        }
    }
}

TEST(SidePairing, BarTableKeepsNumbersAndNodeOrder) {
    std::mt19937 random(11);
    for (int trial = 0; trial < 200; ++trial) {
        const TElemClass elements = RandomElements(random, 1 + trial % 40, trial % 3 == 0);
        TElemClass bars(false, ""), expected(false, "");
        elements.BuildBarTable(bars);
        BarsOneByOne(elements, expected);
        ASSERT_EQ(BarsOf(bars), BarsOf(expected)) << "trial " << trial;
        // Both answer searches alike afterwards.
        for (std::int32_t a : {1, 2, 3, -3, 70000})
            for (std::int32_t b : {1, 2, 3, 0, 1 << 24}) {
                const std::int32_t side[2] = {a, b};
                const ElementEntry* x = bars.FindByNodes(side);
                const ElementEntry* y = expected.FindByNodes(side);
                ASSERT_EQ(x ? x->number : 0, y ? y->number : 0);
            }
    }
}

}  // namespace
}  // namespace membrane
