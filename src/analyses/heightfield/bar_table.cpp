#include "heightfield/bar_table.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "common/key_index.h"
#include "common/pair_map.h"
#include "mesh/side_occurrences.h"

namespace membrane {
namespace {

template <typename Visit>
void ForEachBarSide(std::span<const std::int32_t> nodes, Visit&& visit) {
    const std::size_t k = nodes.size();
    for (std::size_t j = 1; j <= k; ++j) {
        std::int32_t side[2];
        if (j < k && j < 3) {
            side[0] = nodes[j - 1];
            side[1] = nodes[j];
        } else {
            side[0] = nodes[0];
            side[1] = nodes[j - 1];
        }
        if (k < 2) side[1] = nodes[0];
        visit(side);
    }
}

// Side by side, asking of every side whether a bar joins its two nodes (or, for a side
// from a node to itself, whether a bar touches the node).
ElementTable BarsOneByOne(const ElementTable& triangles) {
    ElementTable bars;
    PairMap barOfPair;   // the newest bar per unordered node pair
    KeyIndex barOfNode;  // the newest bar per node
    for (const ElementEntry& element : triangles.Elements())
        ForEachBarSide(triangles.NodesOf(element), [&](const std::int32_t* side) {
            const bool known =
                side[0] == side[1]
                    ? barOfNode.Find(side[0]) != KeyIndex::kNone
                    : barOfPair.Find(PairMap::Key(side[0], side[1])) != PairMap::kNone;
            if (known) return;
            const std::int32_t position = bars.Count();
            bars.Add(bars.MaxNumber() + 1, 1, std::span<const std::int32_t>(side, 2));
            barOfPair.Set(PairMap::Key(side[0], side[1]), position);
            barOfNode.Set(side[0], position);
            barOfNode.Set(side[1], position);
        });
    return bars;
}

}  // namespace

ElementTable BuildBarTable(const ElementTable& triangles) {
    // Every side is a new bar exactly when no earlier side joins the same two nodes, which
    // sorting the sides tells at once. A side from a node to itself is new only when no
    // earlier bar touches the node at all: rare (such a triangle has no area), so those
    // tables are built side by side.
    std::vector<std::uint64_t> sides;
    bool degenerate = false;
    sides.reserve(3 * triangles.Elements().size());
    for (const ElementEntry& element : triangles.Elements())
        ForEachBarSide(triangles.NodesOf(element), [&](const std::int32_t* side) {
            degenerate = degenerate || side[0] == side[1];
            sides.push_back(PairMap::Key(side[0], side[1]));
        });
    if (degenerate) return BarsOneByOne(triangles);

    const std::vector<std::int32_t> previous = PreviousOccurrences(sides);
    sides.clear();
    sides.shrink_to_fit();
    const auto count = static_cast<std::size_t>(std::count(previous.begin(), previous.end(), -1));
    ElementTable bars;
    bars.Reserve(count, 2 * count);
    std::size_t t = 0;
    for (const ElementEntry& element : triangles.Elements())
        ForEachBarSide(triangles.NodesOf(element), [&](const std::int32_t* side) {
            if (previous[t++] < 0)
                bars.Add(bars.MaxNumber() + 1, 1, std::span<const std::int32_t>(side, 2));
        });
    return bars;
}

}  // namespace membrane
