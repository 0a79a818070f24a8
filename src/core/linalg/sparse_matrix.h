// A sparse matrix of doubles with integer row and column keys. Zero values are never
// stored: setting an entry to 0 removes it. Rows stand in ascending key order; within a
// row the entries stand newest first. The system matrix of a Newton step is keyed by node
// numbers; the right-hand side is a second SparseMatrix with the single column 1, which holds
// the solution after the elimination (elimination.h).
#pragma once

#include <cstdint>
#include <vector>

#include "common/key_index.h"

namespace membrane {

struct MatrixEntry {
    std::int32_t column;
    double value;
};

class SparseMatrix {
  public:
    void Clear();
    // Creates the row (in key order) and the entry when needed; 0 removes the entry and
    // never creates anything; NaN creates no row.
    void SetEntry(std::int32_t row, std::int32_t column, double value);
    double GetEntry(std::int32_t row, std::int32_t column) const;
    // Adds to an entry with one lookup; the same as SetEntry(r, c, GetEntry(r, c) + delta).
    void AddToEntry(std::int32_t row, std::int32_t column, double delta);
    // Creates the row without entries where there is none: a row whose terms cancelled
    // still stands in the list.
    void EnsureRow(std::int32_t row);

    bool Empty() const { return rows_.empty(); }
    std::size_t RowCount() const { return rows_.size(); }
    std::size_t EntryCount() const;
    bool HasRow(std::int32_t row) const { return index_.Find(row) != KeyIndex::kNone; }

    // Row keys in list order, and a row's entries in list order (newest first).
    std::vector<std::int32_t> RowKeys() const;
    std::vector<MatrixEntry> RowEntries(std::int32_t row) const;

    // Used by the elimination: the rows in list order, each with its entries stored
    // oldest first (the list's head is the vector's back).
    struct Row {
        std::int32_t key;
        std::vector<MatrixEntry> entries;
    };
    std::vector<Row> TakeRowsInOrder();
    // Replaces the contents with rows given in list order; keys may repeat (the first
    // row with a key is the one that lookups find).
    void AssignRowsInOrder(std::vector<Row> rows);

  private:
    Row* FindRow(std::int32_t key);
    const Row* FindRow(std::int32_t key) const;
    Row& CreateRow(std::int32_t key);
    void SortOrderIfNeeded() const;

    std::vector<Row> rows_;                    // storage slots
    KeyIndex index_;                           // key -> slot of the first row with that key
    mutable std::vector<std::int32_t> order_;  // slots in list order
    mutable bool orderValid_ = true;           // false: order_ must be rebuilt by sorting keys
    bool keyOrdered_ = true;                   // rows are in ascending key order (the usual case)
};

}  // namespace membrane
