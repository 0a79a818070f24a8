#include "linalg/dense_front.h"

#include <algorithm>

namespace membrane {
namespace {
constexpr std::size_t kFirstCapacity = 256;
}

void DenseFront::Reset(std::size_t columnCount, std::size_t rowCount, std::size_t budgetBytes) {
    denseOf_.assign(rowCount, -1);
    slotOf_.assign(columnCount, -1);
    budget_ = budgetBytes;
    capacity_ = kFirstCapacity;
    stride_ = StrideFor(capacity_);
    columnOf_.assign(capacity_, -1);
    // Rows left dense by a solve that stopped half-way.
    if (activeRows_ > 0) std::fill(values_.begin(), values_.end(), 0.0);
    rowOf_.clear();
    freeRows_.clear();
    activeRows_ = 0;
    liveSlots_ = 0;
    next_ = 0;
}

void DenseFront::Relayout(std::size_t rowSlots, std::size_t capacity) {
    // The stride only grows within a solve, so each row moves up: rows are moved from the
    // last one down, and what a moved row leaves behind below its new place is cleared.
    // The buffer keeps its memory from solve to solve.
    const std::size_t stride = StrideFor(capacity);
    if (values_.size() < rowSlots * stride) {
        values_.resize(rowSlots * stride, 0.0);
        stamps_.resize(rowSlots * stride);
    }
    if (stride == stride_) return;
    const std::size_t keep = stride_;
    for (std::size_t r = rowOf_.size(); r-- > 0;) {
        if (rowOf_[r] < 0) continue;  // a free row is all zeros
        const std::size_t from = r * stride_, to = r * stride;
        std::copy_backward(values_.begin() + static_cast<std::ptrdiff_t>(from),
                           values_.begin() + static_cast<std::ptrdiff_t>(from + keep),
                           values_.begin() + static_cast<std::ptrdiff_t>(to + keep));
        std::copy_backward(stamps_.begin() + static_cast<std::ptrdiff_t>(from),
                           stamps_.begin() + static_cast<std::ptrdiff_t>(from + keep),
                           stamps_.begin() + static_cast<std::ptrdiff_t>(to + keep));
        std::fill(values_.begin() + static_cast<std::ptrdiff_t>(from),
                  values_.begin() + static_cast<std::ptrdiff_t>(std::min(from + keep, to)), 0.0);
    }
    stride_ = stride;
}

bool DenseFront::Activate(std::int32_t row, CellRow& cells, Stamp& clock) {
    if (BytesFor(activeRows_ + 1, capacity_) > budget_) return false;
    for (const Cell& c : cells)
        if (EnsureSlot(c.column) < 0) return false;
    std::int32_t index;
    if (!freeRows_.empty()) {
        index = freeRows_.back();
        freeRows_.pop_back();
    } else {
        index = static_cast<std::int32_t>(rowOf_.size());
        rowOf_.push_back(-1);
        if (rowOf_.size() * stride_ > values_.size()) {
            const std::size_t rowSlots = std::max<std::size_t>(16, rowOf_.size() * 2);
            if (BytesFor(rowSlots, capacity_) > budget_) {
                rowOf_.pop_back();
                return false;
            }
            Relayout(rowSlots, capacity_);
        }
    }
    rowOf_[index] = row;
    double* values = Values(index);
    Stamp* stamps = Stamps(index);
    for (const Cell& c : cells) {
        const std::int32_t slot = slotOf_[c.column];
        values[slot] = c.value;
        stamps[slot] = ++clock;
    }
    cells.clear();  // keeps its memory for the row once it is eliminated
    denseOf_[row] = index;
    ++activeRows_;
    return true;
}

void DenseFront::Materialize(std::int32_t row, CellRow& cells) {
    const std::int32_t index = denseOf_[row];
    double* values = Values(index);
    const Stamp* stamps = Stamps(index);
    found_.clear();
    for (std::size_t slot = 0; slot < next_; ++slot)
        if (values[slot] != 0.0) found_.push_back({stamps[slot], static_cast<std::int32_t>(slot)});
    std::sort(found_.begin(), found_.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    cells.clear();
    cells.reserve(found_.size());
    for (const auto& f : found_) {
        cells.push_back(Cell{columnOf_[f.second], values[f.second]});
        values[f.second] = 0.0;
    }
    rowOf_[index] = -1;
    denseOf_[row] = -1;
    freeRows_.push_back(index);
    --activeRows_;
}

std::int32_t DenseFront::EnsureSlot(std::int32_t column) {
    if (slotOf_[column] >= 0) return slotOf_[column];
    if (next_ == capacity_ && !Compact()) return -1;
    const auto slot = static_cast<std::int32_t>(next_++);
    slotOf_[column] = slot;
    columnOf_[slot] = column;
    ++liveSlots_;
    return slot;
}

void DenseFront::ReleaseColumn(std::int32_t column) {
    const std::int32_t slot = slotOf_[column];
    if (slot < 0) return;
    slotOf_[column] = -1;
    columnOf_[slot] = -1;
    --liveSlots_;
    if ((next_ - liveSlots_) * 4 > next_ && next_ >= 64) Compact();
}

bool DenseFront::Compact() {
    // Keep at least half the slots free after compacting, so that compaction costs O(1)
    // per slot handed out.
    std::size_t capacity = capacity_;
    while (liveSlots_ * 2 >= capacity && next_ == capacity_) capacity *= 2;
    if (capacity != capacity_ && BytesFor(rowOf_.size(), capacity) > budget_) return false;

    // Slots move down in order: the new slot of a column is never above its old one, so
    // each dense row is compacted in place from the bottom.
    std::vector<std::int32_t> moves;  // old slots of live columns, ascending
    moves.reserve(liveSlots_);
    for (std::size_t slot = 0; slot < next_; ++slot)
        if (columnOf_[slot] >= 0) moves.push_back(static_cast<std::int32_t>(slot));
    for (std::size_t r = 0; r < rowOf_.size(); ++r) {
        if (rowOf_[r] < 0) continue;  // free rows are all zero already
        double* values = Values(static_cast<std::int32_t>(r));
        Stamp* stamps = Stamps(static_cast<std::int32_t>(r));
        for (std::size_t k = 0; k < moves.size(); ++k) {
            const auto from = static_cast<std::size_t>(moves[k]);
            if (from != k) {
                values[k] = values[from];
                stamps[k] = stamps[from];
            }
        }
        std::fill(values + moves.size(), values + next_, 0.0);
    }
    if (capacity != capacity_) Relayout(rowOf_.size(), capacity);
    std::vector<std::int32_t> columnOf(capacity, -1);
    for (std::size_t k = 0; k < moves.size(); ++k) {
        const std::int32_t column = columnOf_[moves[k]];
        columnOf[k] = column;
        slotOf_[column] = static_cast<std::int32_t>(k);
    }
    columnOf_.swap(columnOf);
    next_ = moves.size();
    capacity_ = capacity;
    return true;
}

}  // namespace membrane
