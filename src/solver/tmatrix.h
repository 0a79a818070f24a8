// A sparse matrix of doubles with integer row and column keys. Zero values are never
// stored: setting an entry to 0 removes it. Rows stand in ascending key order; within a
// row the entries stand newest first. The system matrix of a Newton step is keyed by node
// numbers; the right-hand side is a second TMatrix with the single column 1, which holds
// the solution after Solve.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "common/messages.h"
#include "model/key_index.h"

namespace membrane {

struct MatrixEntry {
    std::int32_t column;
    double value;
};

class TMatrix {
public:
    void Clear();
    // Creates the row (in key order) and the entry when needed; 0 removes the entry and
    // never creates anything; NaN creates no row.
    void SetEntry(std::int32_t row, std::int32_t column, double value);
    double GetEntry(std::int32_t row, std::int32_t column) const;
    // Adds to an entry with one lookup; the same as SetEntry(r, c, GetEntry(r, c) + delta).
    void AddToEntry(std::int32_t row, std::int32_t column, double delta);

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

    std::vector<Row> rows_;               // storage slots
    KeyIndex index_;                      // key -> slot of the first row with that key
    mutable std::vector<std::int32_t> order_;  // slots in list order
    mutable bool orderValid_ = true;      // false: order_ must be rebuilt by sorting keys
    bool keyOrdered_ = true;              // rows are in ascending key order (the usual case)
};

enum class SolveStatus { Ok, RowDependence, NotSquare, DivisionByZero, TooLarge };

// The message the user sees for a failed elimination ("Matrix has a row dependance. ",
// "Matrix is not square. ", "Division by zero. "); empty for Ok.
std::string SolveStatusText(SolveStatus status);

// Solves A x = B in place by sparse elimination. Rows are eliminated in ascending order of
// their entry count (ties: descending key), each with its largest entry as pivot; entries
// that become exactly 0 are dropped. On return B holds x: GetEntry(B, p, 1) = x(p). A is
// used up. A failure shows its message through `messages`, empties both matrices and is
// returned.
SolveStatus Solve(TMatrix& system, TMatrix& rightHandSide, MessageSink& messages);

// The elimination's work arrays, kept from one solve to the next so that the Newton steps
// of a run reuse their memory instead of allocating it again.
class EliminationWorkspace {
public:
    EliminationWorkspace();
    ~EliminationWorkspace();
    EliminationWorkspace(const EliminationWorkspace&) = delete;
    EliminationWorkspace& operator=(const EliminationWorkspace&) = delete;

private:
    friend SolveStatus Solve(TMatrix&, TMatrix&, MessageSink&, const struct EliminationOptions&);
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// How the elimination may store its work. The results do not depend on it.
struct EliminationOptions {
    // Memory for rows of the front held as dense vectors; 0 keeps every row as a list of
    // cells.
    std::size_t denseFrontBytes = std::size_t{1} << 30;
    // Work arrays to reuse; none: the solve allocates its own.
    EliminationWorkspace* workspace = nullptr;
    // How many entries the rows may hold beyond the assembled ones before the elimination
    // gives up with TooLarge; 0: about as many as a third of the computer's memory holds. The fill of a large mesh grows with the square of
    // its size and would otherwise take all the memory there is.
    std::size_t entryLimit = 0;
};
SolveStatus Solve(TMatrix& system, TMatrix& rightHandSide, MessageSink& messages,
                  const EliminationOptions& options);

}  // namespace membrane
