// The active front of the sparse elimination, stored densely.
//
// On a membrane mesh the rows that have been touched by an elimination step but are not
// yet eliminated themselves form a front in which almost every row holds almost every
// column: eliminating the boundary first makes the next ring of nodes a clique, and the
// clique moves inwards row by row. There a list of (column, value) cells with a scatter
// array costs several memory accesses per update; a dense row over a small set of column
// slots costs one, and the update vectorizes.
//
// A dense row keeps, beside each value, the creation stamp of its entry: the entry order
// of a row (newest first) decides pivot ties and the order of the back substitution, and
// it is recovered by sorting the entries by stamp when the row's turn comes. A value of
// exactly 0 means "no entry", as in the sparse rows, where an exact zero is removed.
//
// Columns get slots when a dense row first needs them and give them back when they are
// eliminated; slots are handed out in increasing order, so the columns of one pivot row
// sit close together, and compacted when they run out. Memory is bounded: a row is made
// dense only while rows x slots stays within the budget.
#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include "linalg/elimination_cells.h"

namespace membrane {

class DenseFront {
  public:
    using Stamp = std::uint64_t;

    // Empties the front for a system of the given size; the memory of the dense rows is
    // kept for the next system.
    void Reset(std::size_t columnCount, std::size_t rowCount, std::size_t budgetBytes);

    // The dense index of a row, or -1 while it is stored as cells.
    std::int32_t DenseIndexOf(std::int32_t row) const { return denseOf_[row]; }

    // Moves a row's cells (oldest first) into a dense row; the cell list is emptied. Stamps
    // are drawn from `clock` in cell order. False (nothing changed) when the budget does
    // not allow another dense row.
    bool Activate(std::int32_t row, CellRow& cells, Stamp& clock);

    // Moves a dense row back into cells, oldest first, and frees its dense storage.
    void Materialize(std::int32_t row, CellRow& cells);

    // The slot of a column, handing out a new one when needed; -1 when the budget does
    // not allow more slots (the caller then materializes every dense row). May move every
    // slot: dense row pointers and slot numbers taken before are invalid afterwards.
    std::int32_t EnsureSlot(std::int32_t column);
    std::int32_t SlotOf(std::int32_t column) const { return slotOf_[column]; }
    std::int32_t ColumnOfSlot(std::int32_t slot) const { return columnOf_[slot]; }
    // The column has been eliminated from every remaining row: its slot is free again.
    // Freed slots are squeezed out once they make a quarter of the slots in use, so that
    // the columns of a row stay close together. Moves slots, like EnsureSlot.
    void ReleaseColumn(std::int32_t column);

    std::size_t SlotCapacity() const { return capacity_; }

    double* Values(std::int32_t denseIndex) {
        return values_.data() + static_cast<std::size_t>(denseIndex) * stride_;
    }
    Stamp* Stamps(std::int32_t denseIndex) {
        return stamps_.data() + static_cast<std::size_t>(denseIndex) * stride_;
    }

  private:
    bool Compact();  // false when the budget allows no growth
    // The dense rows lie one after the other, `stride` values apart: the capacity plus one
    // cache line, so that the same slot of successive rows does not fall into the same
    // cache set (a power-of-two stride would use a fraction of the cache).
    static std::size_t StrideFor(std::size_t capacity) { return capacity + 8; }
    std::size_t BytesFor(std::size_t rows, std::size_t capacity) const {
        return rows * StrideFor(capacity) * (sizeof(double) + sizeof(Stamp));
    }
    void Relayout(std::size_t rowSlots, std::size_t capacity);

    std::vector<std::int32_t> denseOf_;   // row -> dense index or -1
    std::vector<std::int32_t> slotOf_;    // column -> slot or -1
    std::vector<std::int32_t> columnOf_;  // slot -> column or -1
    std::vector<double> values_;          // all 0 outside the entries of active rows
    std::vector<Stamp> stamps_;
    std::vector<std::int32_t> rowOf_;  // dense index -> row or -1
    std::vector<std::int32_t> freeRows_;
    std::size_t stride_ = 0;
    std::vector<std::pair<Stamp, std::int32_t>> found_;  // scratch of Materialize
    std::size_t activeRows_ = 0;
    std::size_t liveSlots_ = 0;
    std::size_t next_ = 0;
    std::size_t capacity_ = 0;
    std::size_t budget_ = 0;
};

}  // namespace membrane
