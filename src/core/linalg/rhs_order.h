// The row order of the right-hand side during the elimination.
//
// The solution is read back by key, and keys are unique until the last step renames each
// row to the unknown its value stands for. A row left without value keeps its old key,
// which may then equal a renamed row's key; the first of the two in list order is the one
// found. So the list order has to be followed exactly, including rows inserted "before the
// first row whose key is greater than or equal" into a list that is no longer sorted. A
// treap over list positions, with the largest key of every subtree, answers that query
// and the insert in O(log n).
#pragma once

#include <cstdint>
#include <vector>

namespace membrane {

class RhsOrder {
  public:
    // Rows given in list order (ids are the caller's row ids).
    void Build(const std::vector<std::int32_t>& ids, const std::vector<std::int32_t>& keys);
    // Inserts row `id` with `key` before the first row (in list order) whose key is >= key,
    // or at the end when there is none.
    void InsertInKeyOrder(std::int32_t id, std::int32_t key);
    // Reverses the list order.
    void Reverse() { reversed_ = !reversed_; }
    // Row ids in list order.
    std::vector<std::int32_t> Ids() const;

  private:
    struct Node {
        std::int32_t id, key, maxKey, size;
        std::uint32_t priority;
        std::int32_t left = -1, right = -1;
    };
    std::int32_t NewNode(std::int32_t id, std::int32_t key);
    void Update(std::int32_t n);
    std::int32_t Size(std::int32_t n) const { return n < 0 ? 0 : nodes_[n].size; }
    std::int32_t Merge(std::int32_t a, std::int32_t b);
    void Split(std::int32_t n, std::int32_t count, std::int32_t& left, std::int32_t& right);
    std::int32_t FirstAtLeast(std::int32_t key) const;  // stored position, or size
    std::int32_t LastAtLeast(std::int32_t key) const;   // stored position, or -1

    std::vector<Node> nodes_;
    std::int32_t root_ = -1;
    bool reversed_ = false;
    std::uint32_t seed_ = 0x9E3779B9u;
};

}  // namespace membrane
