#include "linalg/sparse_matrix.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace membrane {

void SparseMatrix::Clear() {
    rows_.clear();
    index_.Clear();
    order_.clear();
    orderValid_ = true;
    keyOrdered_ = true;
}

SparseMatrix::Row* SparseMatrix::FindRow(std::int32_t key) {
    const std::int32_t slot = index_.Find(key);
    return slot == KeyIndex::kNone ? nullptr : &rows_[slot];
}

const SparseMatrix::Row* SparseMatrix::FindRow(std::int32_t key) const {
    const std::int32_t slot = index_.Find(key);
    return slot == KeyIndex::kNone ? nullptr : &rows_[slot];
}

void SparseMatrix::SortOrderIfNeeded() const {
    if (orderValid_) return;
    order_.resize(rows_.size());
    std::iota(order_.begin(), order_.end(), 0);
    std::sort(order_.begin(), order_.end(),
              [this](std::int32_t a, std::int32_t b) { return rows_[a].key < rows_[b].key; });
    orderValid_ = true;
}

SparseMatrix::Row& SparseMatrix::CreateRow(std::int32_t key) {
    const auto slot = static_cast<std::int32_t>(rows_.size());
    rows_.push_back(Row{key, {}});
    index_.Set(key, slot);
    if (keyOrdered_) {
        orderValid_ = false;  // ascending key order is rebuilt on demand
    } else {
        // A matrix whose rows were reordered (a solution): insert before the first row
        // whose key is greater than or equal to the new one.
        auto it = std::find_if(order_.begin(), order_.end(),
                               [&](std::int32_t s) { return rows_[s].key >= key; });
        order_.insert(it, slot);
    }
    return rows_.back();
}

void SparseMatrix::SetEntry(std::int32_t row, std::int32_t column, double value) {
    const bool zero = value == 0.0;
    Row* r = FindRow(row);
    if (r == nullptr) {
        if (zero || std::isnan(value)) return;
        r = &CreateRow(row);
    }
    auto& entries = r->entries;
    for (auto it = entries.rbegin(); it != entries.rend(); ++it) {
        if (it->column != column) continue;
        if (zero)
            entries.erase(std::next(it).base());
        else
            it->value = value;
        return;
    }
    if (!zero) entries.push_back(MatrixEntry{column, value});
}

double SparseMatrix::GetEntry(std::int32_t row, std::int32_t column) const {
    const Row* r = FindRow(row);
    if (r == nullptr) return 0.0;
    for (auto it = r->entries.rbegin(); it != r->entries.rend(); ++it)
        if (it->column == column) return it->value;
    return 0.0;
}

void SparseMatrix::AddToEntry(std::int32_t row, std::int32_t column, double delta) {
    Row* r = FindRow(row);
    if (r != nullptr) {
        auto& entries = r->entries;
        for (auto it = entries.rbegin(); it != entries.rend(); ++it) {
            if (it->column != column) continue;
            const double sum = it->value + delta;
            if (sum == 0.0)
                entries.erase(std::next(it).base());
            else
                it->value = sum;
            return;
        }
    }
    SetEntry(row, column, 0.0 + delta);
}

void SparseMatrix::EnsureRow(std::int32_t row) {
    if (FindRow(row) == nullptr) CreateRow(row);
}

std::size_t SparseMatrix::EntryCount() const {
    std::size_t count = 0;
    for (const Row& r : rows_) count += r.entries.size();
    return count;
}

std::vector<std::int32_t> SparseMatrix::RowKeys() const {
    SortOrderIfNeeded();
    std::vector<std::int32_t> keys;
    keys.reserve(rows_.size());
    for (std::int32_t slot : order_) keys.push_back(rows_[slot].key);
    return keys;
}

std::vector<MatrixEntry> SparseMatrix::RowEntries(std::int32_t row) const {
    const Row* r = FindRow(row);
    if (r == nullptr) return {};
    return {r->entries.rbegin(), r->entries.rend()};
}

std::vector<SparseMatrix::Row> SparseMatrix::TakeRowsInOrder() {
    if (keyOrdered_) orderValid_ = false;
    SortOrderIfNeeded();
    std::vector<Row> rows;
    rows.reserve(rows_.size());
    for (std::int32_t slot : order_) rows.push_back(std::move(rows_[slot]));
    Clear();
    return rows;
}

void SparseMatrix::AssignRowsInOrder(std::vector<Row> rows) {
    Clear();
    rows_ = std::move(rows);
    order_.resize(rows_.size());
    std::iota(order_.begin(), order_.end(), 0);
    keyOrdered_ = true;
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        if (i > 0 && rows_[i - 1].key >= rows_[i].key) keyOrdered_ = false;
    }
    // The first row with a key is the one found: index from the back.
    for (std::size_t i = rows_.size(); i-- > 0;)
        index_.Set(rows_[i].key, static_cast<std::int32_t>(i));
    orderValid_ = true;
}

}  // namespace membrane
