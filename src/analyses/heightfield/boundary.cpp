#include "heightfield/boundary.h"

#include <algorithm>

#include "common/pair_map.h"
#include "mesh/side_occurrences.h"

namespace membrane {

Boundary FindBoundary(const ElementTable& elements) {
    std::vector<std::uint64_t> sides;
    for (const ElementEntry& element : elements.Elements()) {
        const auto nodes = elements.NodesOf(element);
        const std::size_t k = nodes.size();
        for (std::size_t i = 0; i < k; ++i)
            sides.push_back(PairMap::Key(nodes[i], nodes[(i + 1) % k]));
    }
    // A side's occurrences alternate between joining the list and leaving it, and a
    // leaving occurrence takes out what its previous occurrence put in: the list is a
    // linked list over the side positions.
    const std::vector<std::int32_t> previous = PreviousOccurrences(sides);
    const auto count = static_cast<std::int32_t>(sides.size());
    std::vector<char> listed(count, 0);
    std::vector<std::int32_t> older(count), newer(count);
    std::int32_t oldest = -1, newest = -1;
    for (std::int32_t t = 0; t < count; ++t) {
        const std::int32_t p = previous[t];
        if (p >= 0 && listed[p]) {
            listed[p] = 0;
            if (older[p] >= 0)
                newer[older[p]] = newer[p];
            else
                oldest = newer[p];
            if (newer[p] >= 0)
                older[newer[p]] = older[p];
            else
                newest = older[p];
        } else {
            listed[t] = 1;
            older[t] = newest;
            newer[t] = -1;
            if (newest >= 0)
                newer[newest] = t;
            else
                oldest = t;
            newest = t;
        }
    }
    Boundary boundary;
    for (std::int32_t t = oldest; t >= 0; t = newer[t]) {
        // PairMap::Key puts the smaller node in the high half.
        const auto first = static_cast<std::int32_t>(sides[t] >> 32);
        const auto second = static_cast<std::int32_t>(sides[t] & 0xffffffffu);
        boundary.sides.push_back(BoundarySide{first, second});
        boundary.nodes.push_back(first);
        boundary.nodes.push_back(second);
    }
    std::sort(boundary.nodes.begin(), boundary.nodes.end());
    boundary.nodes.erase(std::unique(boundary.nodes.begin(), boundary.nodes.end()),
                         boundary.nodes.end());
    return boundary;
}

}  // namespace membrane
