// Which unknowns of a symmetric sparse system couple, built from the index lists of its
// elements: an element couples every pair of its nodes (a triangle's three corners, a
// bar's two ends). The pattern knows no problem: a client numbers its nodes 0 .. n-1,
// lists each element's nodes, and fills the values later element by element
// (sparse_system.h).
//
// A node carries `block` unknowns, numbered node * block + c (one height per node in the
// height field, the x, y and z of a node in load analysis); two coupled nodes couple all
// their unknowns. Kept in compressed columns of the upper triangle (the rows of column j
// ascending, the diagonal last), the form the sparse Cholesky factorization takes as it
// is; every unknown has its diagonal, also one of a node that is in no element.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace membrane {

class SparsePattern {
  public:
    SparsePattern() = default;
    SparsePattern(std::int32_t nodes, int block = 1) : nodes_(nodes), block_(block) {}

    // Adds the couplings of one element; negative entries (nodes the client has taken out
    // of the system, such as held nodes) are left out. Before Finish only.
    void AddElement(std::span<const std::int32_t> nodes);
    // Sorts and merges the couplings: the pattern is fixed from then on. False when the
    // pattern has more entries than 32-bit positions can address.
    bool Finish();

    std::int32_t Nodes() const { return nodes_; }
    int Block() const { return block_; }
    std::int32_t Size() const { return nodes_ * block_; }  // unknowns
    bool Finished() const { return finished_; }
    // The upper triangle in compressed columns: the rows of column j are
    // RowIndex()[ColumnStart()[j] .. ColumnStart()[j + 1]), ascending, the diagonal last.
    std::span<const std::int32_t> ColumnStart() const { return columnStart_; }
    std::span<const std::int32_t> RowIndex() const { return rowIndex_; }
    std::size_t EntryCount() const { return rowIndex_.size(); }

    // Where the entry (row, column) of the upper triangle stands among the values (the
    // two may be given in either order); -1 where the pattern has no such entry.
    std::int32_t Position(std::int32_t row, std::int32_t column) const;
    std::int32_t DiagonalPosition(std::int32_t unknown) const {
        return columnStart_[unknown + 1] - 1;
    }

    // The graph of the matrix: for every unknown the others it couples with, ascending
    // (for orderings, cost predictions and the check for floating parts).
    struct Graph {
        std::vector<std::int32_t> start;       // Size() + 1 entries
        std::vector<std::int32_t> neighbours;  // of unknown v: [start[v], start[v + 1])
    };
    Graph Adjacency() const;

  private:
    std::int32_t nodes_ = 0;
    int block_ = 1;
    bool finished_ = false;
    std::vector<std::uint64_t> pairs_;  // node pairs (j << 32 | i), i <= j, until Finish
    std::vector<std::int32_t> columnStart_;
    std::vector<std::int32_t> rowIndex_;
};

// The unknowns of nodes in a block pattern: node * block + c for c = 0 .. block-1, node
// after node; a negative node gives `block` negative unknowns.
std::vector<std::int32_t> BlockUnknowns(std::span<const std::int32_t> nodes, int block);

// Whether some part of the system's graph holds no unknown marked in `grounded` (a held
// neighbour, a pinned diagonal): such a part floats, and its matrix is singular.
bool HasFloatingPart(const SparsePattern& pattern, std::span<const char> grounded);

}  // namespace membrane
