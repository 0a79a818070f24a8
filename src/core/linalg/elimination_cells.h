// Row storage shared by the parts of the sparse elimination.
#pragma once

#include <cstdint>
#include <vector>

namespace membrane {

// One stored entry of a row of A during the elimination. Columns are dense ids 0..n-1
// (the elimination position of the row with the same key).
struct Cell {
    std::int32_t column;
    double value;
};

// A row's entries in list order reversed: oldest first, so the list's head (the newest
// entry) is the vector's back and adding at the head is a push_back.
using CellRow = std::vector<Cell>;

}  // namespace membrane
