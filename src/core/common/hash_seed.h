// Two random 64-bit numbers per process, for hashes over keys that come from input files.
#pragma once

#include <cstddef>
#include <cstdint>

namespace membrane {

struct HashSeed {
    std::uint64_t first = 0;
    std::uint64_t second = 0;
};

// Drawn from the kernel's random source on the first call; the same for every later call.
HashSeed RandomHashSeed();

// A full-avalanche finalizer: every output bit depends on every input bit.
inline std::uint64_t MixBits(std::uint64_t x) {
    x ^= x >> 33;
    x *= 0xff51afd7ed558ccdULL;
    x ^= x >> 33;
    x *= 0xc4ceb9fe1a85ec53ULL;
    x ^= x >> 33;
    return x;
}

// The hash of a key from an input file: mixed with the process's seed in two rounds, so
// that keys chosen to collide under one seed do not collide under another.
inline std::uint64_t SeededHash(std::uint64_t key) {
    static const HashSeed seed = RandomHashSeed();
    return MixBits(MixBits(key + seed.first) ^ seed.second);
}

// For std::unordered_map over such keys.
struct SeededIntHash {
    std::size_t operator()(std::int64_t key) const {
        return static_cast<std::size_t>(SeededHash(static_cast<std::uint64_t>(key)));
    }
};

}  // namespace membrane
