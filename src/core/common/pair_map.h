// An open-addressing hash map from an unordered pair of node numbers to a position,
// for the million-side tables of the mesh. Entries are never removed; a position of -1
// stands for "none".
//
// The node numbers come from the model file, so whoever writes it chooses the keys: with
// a fixed hash, pairs chosen to fall on one slot make every insertion walk the whole
// cluster (quadratic loading). The hash therefore mixes the key with a seed drawn at
// random once per process, through two rounds of a full-avalanche finalizer: the slots
// of a set of keys cannot be foreseen from the file.
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

#include "common/hash_seed.h"

namespace membrane {

class PairMap {
  public:
    static constexpr std::int32_t kNone = -1;

    static std::uint64_t Key(std::int32_t a, std::int32_t b) {
        const auto lo = static_cast<std::uint32_t>(std::min(a, b));
        const auto hi = static_cast<std::uint32_t>(std::max(a, b));
        return (static_cast<std::uint64_t>(lo) << 32) | hi;
    }

    std::int32_t Find(std::uint64_t key) const {
        if (slots_.empty()) return kNone;
        for (std::size_t i = Hash(key) & mask_;; i = (i + 1) & mask_) {
            const Slot& slot = slots_[i];
            if (!slot.used) return kNone;
            if (slot.key == key) return slot.value;
        }
    }

    void Set(std::uint64_t key, std::int32_t value) {
        if (2 * (used_ + 1) > slots_.size()) Grow();
        for (std::size_t i = Hash(key) & mask_;; i = (i + 1) & mask_) {
            Slot& slot = slots_[i];
            if (!slot.used) {
                slot = Slot{key, value, true};
                ++used_;
                return;
            }
            if (slot.key == key) {
                slot.value = value;
                return;
            }
        }
    }

    // The longest run of occupied slots: the most probes a lookup can take. For keys that
    // spread it grows as log n; for keys that fall on one slot it is their number.
    std::size_t LongestCluster() const {
        std::size_t longest = 0, run = 0;
        // Twice round, so that a cluster wrapping past the last slot counts whole.
        for (std::size_t i = 0; i < 2 * slots_.size(); ++i) {
            run = slots_[i & mask_].used ? run + 1 : 0;
            longest = std::max(longest, std::min(run, used_));
        }
        return longest;
    }

    void Clear() {
        slots_.clear();
        used_ = 0;
        mask_ = 0;
    }

  private:
    struct Slot {
        std::uint64_t key = 0;
        std::int32_t value = kNone;
        bool used = false;
    };

    static std::size_t Hash(std::uint64_t key) { return static_cast<std::size_t>(SeededHash(key)); }

    void Grow() {
        std::vector<Slot> old = std::move(slots_);
        slots_.assign(std::max<std::size_t>(16, old.size() * 2), Slot{});
        mask_ = slots_.size() - 1;
        used_ = 0;
        for (const Slot& slot : old)
            if (slot.used) Set(slot.key, slot.value);
    }

    std::vector<Slot> slots_;
    std::size_t used_ = 0;
    std::size_t mask_ = 0;
};

}  // namespace membrane
