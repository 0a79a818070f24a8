#include "linalg/rhs_order.h"

#include <algorithm>
#include <climits>

namespace membrane {

std::int32_t RhsOrder::NewNode(std::int32_t id, std::int32_t key) {
    seed_ ^= seed_ << 13;
    seed_ ^= seed_ >> 17;
    seed_ ^= seed_ << 5;
    nodes_.push_back(Node{id, key, key, 1, seed_});
    return static_cast<std::int32_t>(nodes_.size()) - 1;
}

void RhsOrder::Update(std::int32_t n) {
    Node& node = nodes_[n];
    node.size = 1 + Size(node.left) + Size(node.right);
    node.maxKey = node.key;
    if (node.left >= 0) node.maxKey = std::max(node.maxKey, nodes_[node.left].maxKey);
    if (node.right >= 0) node.maxKey = std::max(node.maxKey, nodes_[node.right].maxKey);
}

std::int32_t RhsOrder::Merge(std::int32_t a, std::int32_t b) {
    if (a < 0) return b;
    if (b < 0) return a;
    if (nodes_[a].priority > nodes_[b].priority) {
        nodes_[a].right = Merge(nodes_[a].right, b);
        Update(a);
        return a;
    }
    nodes_[b].left = Merge(a, nodes_[b].left);
    Update(b);
    return b;
}

void RhsOrder::Split(std::int32_t n, std::int32_t count, std::int32_t& left, std::int32_t& right) {
    if (n < 0) {
        left = right = -1;
        return;
    }
    if (Size(nodes_[n].left) < count) {
        Split(nodes_[n].right, count - Size(nodes_[n].left) - 1, nodes_[n].right, right);
        left = n;
    } else {
        Split(nodes_[n].left, count, left, nodes_[n].left);
        right = n;
    }
    Update(n);
}

void RhsOrder::Build(const std::vector<std::int32_t>& ids, const std::vector<std::int32_t>& keys) {
    nodes_.clear();
    root_ = -1;
    reversed_ = false;
    nodes_.reserve(ids.size() * 2 + 16);
    // Building by repeated merge at the end keeps the heap order; a stack-based build
    // would be linear, but this runs once per solve next to far larger work.
    for (std::size_t i = 0; i < ids.size(); ++i) root_ = Merge(root_, NewNode(ids[i], keys[i]));
}

std::int32_t RhsOrder::FirstAtLeast(std::int32_t key) const {
    std::int32_t n = root_, offset = 0;
    if (n < 0 || nodes_[n].maxKey < key) return Size(root_);
    for (;;) {
        const Node& node = nodes_[n];
        if (node.left >= 0 && nodes_[node.left].maxKey >= key) {
            n = node.left;
        } else if (node.key >= key) {
            return offset + Size(node.left);
        } else {
            offset += Size(node.left) + 1;
            n = node.right;
        }
    }
}

std::int32_t RhsOrder::LastAtLeast(std::int32_t key) const {
    std::int32_t n = root_, offset = 0;
    if (n < 0 || nodes_[n].maxKey < key) return -1;
    for (;;) {
        const Node& node = nodes_[n];
        if (node.right >= 0 && nodes_[node.right].maxKey >= key) {
            offset += Size(node.left) + 1;
            n = node.right;
        } else if (node.key >= key) {
            return offset + Size(node.left);
        } else {
            n = node.left;
        }
    }
}

void RhsOrder::InsertInKeyOrder(std::int32_t id, std::int32_t key) {
    // Stored order is list order, or its reverse after Reverse(). In the reversed case the
    // first row of the list with a key >= key is the last such row stored, and "before it
    // in the list" is "after it in storage"; with none, the list's end is storage's start.
    std::int32_t position;
    if (!reversed_) {
        position = FirstAtLeast(key);
    } else {
        position = LastAtLeast(key) + 1;
    }
    std::int32_t left, right;
    Split(root_, position, left, right);
    root_ = Merge(Merge(left, NewNode(id, key)), right);
}

std::vector<std::int32_t> RhsOrder::Ids() const {
    std::vector<std::int32_t> out;
    out.reserve(Size(root_));
    std::vector<std::int32_t> stack;
    std::int32_t n = root_;
    while (n >= 0 || !stack.empty()) {
        while (n >= 0) {
            stack.push_back(n);
            n = nodes_[n].left;
        }
        n = stack.back();
        stack.pop_back();
        out.push_back(nodes_[n].id);
        n = nodes_[n].right;
    }
    if (reversed_) std::reverse(out.begin(), out.end());
    return out;
}

}  // namespace membrane
