#include "linalg/sparse_pattern.h"

#include <algorithm>
#include <limits>
#include <numeric>

namespace membrane {

void SparsePattern::AddElement(std::span<const std::int32_t> nodes) {
    for (std::size_t a = 0; a < nodes.size(); ++a) {
        if (nodes[a] < 0) continue;
        for (std::size_t b = 0; b < a; ++b) {
            if (nodes[b] < 0 || nodes[b] == nodes[a]) continue;
            const auto i = static_cast<std::uint32_t>(std::min(nodes[a], nodes[b]));
            const auto j = static_cast<std::uint64_t>(std::max(nodes[a], nodes[b]));
            pairs_.push_back(j << 32 | i);
        }
    }
}

bool SparsePattern::Finish() {
    for (std::int32_t k = 0; k < nodes_; ++k)
        pairs_.push_back(static_cast<std::uint64_t>(k) << 32 | static_cast<std::uint32_t>(k));
    std::sort(pairs_.begin(), pairs_.end());
    pairs_.erase(std::unique(pairs_.begin(), pairs_.end()), pairs_.end());

    // Node J with m coupled nodes I < J: column block * J + c holds m * block rows of those
    // nodes and c + 1 rows of its own block.
    const std::size_t b = static_cast<std::size_t>(block_);
    const std::size_t offDiagonalPairs = pairs_.size() - static_cast<std::size_t>(nodes_);
    const std::size_t entries =
        offDiagonalPairs * b * b + static_cast<std::size_t>(nodes_) * b * (b + 1) / 2;
    if (entries > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max()) ||
        static_cast<std::size_t>(nodes_) * b >
            static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max()))
        return false;
    columnStart_.assign(static_cast<std::size_t>(Size()) + 1, 0);
    rowIndex_.resize(entries);
    std::size_t at = 0, pair = 0;
    for (std::int32_t node = 0; node < nodes_; ++node) {
        const std::size_t first = pair;
        while (pair < pairs_.size() && static_cast<std::int32_t>(pairs_[pair] >> 32) == node)
            ++pair;
        for (std::size_t c = 0; c < b; ++c) {
            for (std::size_t p = first; p < pair; ++p) {
                const auto other = static_cast<std::int32_t>(pairs_[p] & 0xffffffffu);
                const std::size_t rows = other == node ? c + 1 : b;
                for (std::size_t r = 0; r < rows; ++r)
                    rowIndex_[at++] = static_cast<std::int32_t>(b * other + r);
            }
            columnStart_[b * node + c + 1] = static_cast<std::int32_t>(at);
        }
    }
    pairs_ = {};
    finished_ = true;
    return true;
}

std::int32_t SparsePattern::Position(std::int32_t row, std::int32_t column) const {
    if (row > column) std::swap(row, column);
    if (row < 0 || column >= Size()) return -1;
    const std::int32_t* begin = rowIndex_.data() + columnStart_[column];
    const std::int32_t* end = rowIndex_.data() + columnStart_[column + 1];
    const std::int32_t* found = std::lower_bound(begin, end, row);
    return found != end && *found == row ? static_cast<std::int32_t>(found - rowIndex_.data()) : -1;
}

SparsePattern::Graph SparsePattern::Adjacency() const {
    const auto n = static_cast<std::size_t>(Size());
    Graph graph;
    graph.start.assign(n + 1, 0);
    for (std::size_t j = 0; j < n; ++j)
        for (std::int32_t k = columnStart_[j]; k < columnStart_[j + 1]; ++k)
            if (static_cast<std::size_t>(rowIndex_[k]) != j) {
                ++graph.start[j + 1];
                ++graph.start[rowIndex_[k] + 1];
            }
    std::partial_sum(graph.start.begin(), graph.start.end(), graph.start.begin());
    graph.neighbours.resize(static_cast<std::size_t>(graph.start[n]));
    std::vector<std::int32_t> fill(graph.start.begin(), graph.start.end() - 1);
    // Column by column: the rows above the diagonal of column j are neighbours of j that
    // come before it, and j is a neighbour of each of them that comes after; in that order
    // every list fills ascending.
    for (std::size_t j = 0; j < n; ++j)
        for (std::int32_t k = columnStart_[j]; k < columnStart_[j + 1]; ++k) {
            const std::int32_t i = rowIndex_[k];
            if (static_cast<std::size_t>(i) == j) continue;
            graph.neighbours[fill[j]++] = i;
        }
    for (std::size_t j = 0; j < n; ++j)
        for (std::int32_t k = columnStart_[j]; k < columnStart_[j + 1]; ++k) {
            const std::int32_t i = rowIndex_[k];
            if (static_cast<std::size_t>(i) == j) continue;
            graph.neighbours[fill[i]++] = static_cast<std::int32_t>(j);
        }
    return graph;
}

std::vector<std::int32_t> BlockUnknowns(std::span<const std::int32_t> nodes, int block) {
    std::vector<std::int32_t> unknowns;
    unknowns.reserve(nodes.size() * static_cast<std::size_t>(block));
    for (const std::int32_t node : nodes)
        for (int c = 0; c < block; ++c) unknowns.push_back(node < 0 ? -1 : node * block + c);
    return unknowns;
}

bool HasFloatingPart(const SparsePattern& pattern, std::span<const char> grounded) {
    const auto n = static_cast<std::size_t>(pattern.Size());
    std::vector<std::int32_t> parent(n);
    std::iota(parent.begin(), parent.end(), 0);
    const auto root = [&parent](std::int32_t k) {
        while (parent[k] != k) k = parent[k] = parent[parent[k]];
        return k;
    };
    const auto start = pattern.ColumnStart();
    const auto rows = pattern.RowIndex();
    for (std::size_t j = 0; j < n; ++j)
        for (std::int32_t k = start[j]; k < start[j + 1]; ++k)
            parent[root(rows[k])] = root(static_cast<std::int32_t>(j));
    std::vector<char> anchored(n, 0);
    for (std::size_t k = 0; k < n; ++k)
        if (k < grounded.size() && grounded[k]) anchored[root(static_cast<std::int32_t>(k))] = 1;
    for (std::size_t k = 0; k < n; ++k)
        if (!anchored[root(static_cast<std::int32_t>(k))]) return true;
    return false;
}

}  // namespace membrane
