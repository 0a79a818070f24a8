// Maps an integer key (node or element number) to the position of the newest entry that
// carries it, so that lookups "from the front" of the program's lists take O(1) instead
// of a scan. Keys that are small non-negative numbers (the usual 1..N numbering) live in a
// plain array; anything else falls back to a hash map.
#pragma once

#include <algorithm>
#include <cstdint>
#include <unordered_map>
#include <vector>

#include "common/hash_seed.h"

namespace membrane {

class KeyIndex {
  public:
    static constexpr std::int32_t kNone = -1;

    // Records that the newest entry with `key` sits at `position`.
    void Set(std::int32_t key, std::int32_t position) {
        if (!hashed_ && key >= 0 && key < DenseLimit()) {
            if (static_cast<std::size_t>(key) >= dense_.size())
                dense_.resize(std::max<std::size_t>(key + 1, dense_.size() * 2), kNone);
            if (dense_[key] == kNone) ++size_;
            dense_[key] = position;
            return;
        }
        if (!hashed_) MoveToHash();
        auto [it, inserted] = hash_.try_emplace(key, position);
        if (!inserted)
            it->second = position;
        else
            ++size_;
    }

    std::int32_t Find(std::int32_t key) const {
        if (!hashed_) {
            if (key < 0 || static_cast<std::size_t>(key) >= dense_.size()) return kNone;
            return dense_[key];
        }
        auto it = hash_.find(key);
        return it == hash_.end() ? kNone : it->second;
    }

    void Erase(std::int32_t key) {
        if (!hashed_) {
            if (key >= 0 && static_cast<std::size_t>(key) < dense_.size() && dense_[key] != kNone) {
                dense_[key] = kNone;
                --size_;
            }
            return;
        }
        size_ -= hash_.erase(key);
    }

    void Clear() {
        dense_.clear();
        hash_.clear();
        hashed_ = false;
        size_ = 0;
    }

  private:
    // The array may be a few times larger than the number of keys, never wildly so.
    std::int64_t DenseLimit() const { return std::max<std::int64_t>(1 << 16, 4 * (size_ + 16)); }

    void MoveToHash() {
        hashed_ = true;
        hash_.reserve(size_ * 2 + 16);
        for (std::size_t k = 0; k < dense_.size(); ++k)
            if (dense_[k] != kNone) hash_.emplace(static_cast<std::int32_t>(k), dense_[k]);
        dense_.clear();
        dense_.shrink_to_fit();
    }

    std::vector<std::int32_t> dense_;
    // Seeded: the keys come from the model file (see PairMap).
    std::unordered_map<std::int32_t, std::int32_t, SeededIntHash> hash_;
    bool hashed_ = false;
    std::int64_t size_ = 0;
};

}  // namespace membrane
