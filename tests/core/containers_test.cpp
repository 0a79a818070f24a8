// The two general containers: the key index (an array for the usual numbering, a hash map
// for anything else) and the pair map of unordered node pairs.
#include <gtest/gtest.h>

#include <map>
#include <random>

#include "common/key_index.h"
#include "common/pair_map.h"

namespace membrane {
namespace {

TEST(KeyIndex, AgreesWithAMapAcrossTheSwitchToHashing) {
    // Small non-negative keys first (the array), then a negative key and a key far beyond
    // the array's limit move everything into the hash map; lookups must not change.
    KeyIndex index;
    std::map<std::int32_t, std::int32_t> expected;
    std::mt19937 random(3);
    auto set = [&](std::int32_t key, std::int32_t position) {
        index.Set(key, position);
        expected[key] = position;
    };
    for (int k = 0; k < 500; ++k) set(static_cast<std::int32_t>(random() % 1000), k);
    set(-5, 600);
    set(2'000'000'000, 601);
    for (int k = 0; k < 500; ++k) set(static_cast<std::int32_t>(random() % 1000) - 500, 700 + k);
    index.Erase(-5);
    expected.erase(-5);
    for (std::int32_t key = -600; key < 1100; ++key) {
        const auto it = expected.find(key);
        ASSERT_EQ(index.Find(key), it == expected.end() ? KeyIndex::kNone : it->second) << key;
    }
    EXPECT_EQ(index.Find(2'000'000'000), 601);
    index.Clear();
    EXPECT_EQ(index.Find(7), KeyIndex::kNone);
    index.Set(7, 1);  // an array again after Clear
    EXPECT_EQ(index.Find(7), 1);
}

TEST(PairMap, UnorderedPairsOfAnySignSurviveGrowth) {
    EXPECT_EQ(PairMap::Key(3, -4), PairMap::Key(-4, 3));
    EXPECT_NE(PairMap::Key(1, 2), PairMap::Key(2, 2));
    PairMap map;
    EXPECT_EQ(map.Find(PairMap::Key(1, 2)), PairMap::kNone);
    for (std::int32_t k = -1000; k < 1000; ++k) map.Set(PairMap::Key(k, k + 1), k + 1000);
    map.Set(PairMap::Key(6, 5), 77);  // the same pair: replaced
    for (std::int32_t k = -1000; k < 1000; ++k)
        ASSERT_EQ(map.Find(PairMap::Key(k + 1, k)), k == 5 ? 77 : k + 1000) << k;
    EXPECT_EQ(map.Find(PairMap::Key(1, 3)), PairMap::kNone);
}

// Keys a model file can choose so that a fixed hash (the finalizer without a seed) puts
// them all on one slot: x ^= x >> 33; x *= C; x ^= x >> 33 is invertible, so any outputs
// whose low bits are 0 can be turned back into keys. With a seeded hash they spread.
TEST(PairMap, KeysChosenToCollideStayFast) {
    constexpr std::uint64_t kMultiplier = 0xff51afd7ed558ccdULL;
    std::uint64_t inverse = kMultiplier;  // Newton's iteration for the inverse modulo 2^64
    for (int k = 0; k < 6; ++k) inverse *= 2 - kMultiplier * inverse;
    const auto unshift = [](std::uint64_t x) { return x ^ (x >> 33); };
    std::vector<std::uint64_t> keys;
    for (std::uint64_t k = 1; keys.size() < 60000; ++k)
        keys.push_back(unshift(inverse * unshift(k << 24)));
    PairMap map;
    for (std::size_t k = 0; k < keys.size(); ++k) map.Set(keys[k], static_cast<std::int32_t>(k));
    // Unseeded, the keys form one cluster of 60000 slots and loading is quadratic; seeded, at
    // a load of at most one half, the longest cluster is a few dozen slots.
    EXPECT_LT(map.LongestCluster(), 1000u);
    EXPECT_EQ(map.Find(keys[12345]), 12345);
}

}  // namespace
}  // namespace membrane
