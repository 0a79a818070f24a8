// Repeats in a long sequence of triangle sides, found by sorting instead of a hash table.
//
// The boundary analysis and the bar table visit every side of every element in file
// order and ask whether the same side (the same two nodes, in either order) came before.
// Asked of a hash table, each question is a cache miss at a million elements. Sorting the
// sides once (a radix sort, which keeps equal sides in their order) answers all of them
// at a fraction of the cost.
#pragma once

#include <cstdint>
#include <vector>

#include "common/pair_map.h"

namespace membrane {

// For every position t of `sides` (unordered node pairs as PairMap::Key gives them), the
// position of the nearest earlier occurrence of the same pair, or -1 when there is none.
std::vector<std::int32_t> PreviousOccurrences(const std::vector<std::uint64_t>& sides);

}  // namespace membrane
