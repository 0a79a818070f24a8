#include "common/hash_seed.h"

#include <sys/random.h>

#include <chrono>
#include <random>

namespace membrane {

HashSeed RandomHashSeed() {
    static const HashSeed seed = [] {
        HashSeed s;
        if (::getrandom(&s, sizeof s, 0) != static_cast<ssize_t>(sizeof s)) {
            std::random_device device;
            s.first = (std::uint64_t{device()} << 32) ^ device() ^
                      static_cast<std::uint64_t>(
                          std::chrono::steady_clock::now().time_since_epoch().count());
            s.second = (std::uint64_t{device()} << 32) ^ device();
        }
        return s;
    }();
    return seed;
}

}  // namespace membrane
