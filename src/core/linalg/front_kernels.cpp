#include "linalg/front_kernels.h"

namespace membrane {

// Runtime dispatch to AVX-512 or AVX2 where the compiler and the processor have them.
// No fused multiply-add is formed (the build forbids contraction), so every width gives
// the same bits. Not in sanitizer builds: the dispatch runs in an ifunc resolver before the
// sanitizer's runtime is ready, which ThreadSanitizer does not survive.
#if defined(__GNUC__) && !defined(__clang__) && defined(__x86_64__) && defined(__linux__) && \
    !defined(__SANITIZE_THREAD__) && !defined(__SANITIZE_ADDRESS__)
#define MEMBRANE_VECTOR_CLONES __attribute__((target_clones("avx512f", "avx2", "default")))
#else
#define MEMBRANE_VECTOR_CLONES
#endif

MEMBRANE_VECTOR_CLONES
bool SubtractScaledExceptNew(double* __restrict v, const double* __restrict a, double f,
                             std::size_t n, unsigned char* __restrict blockHasNew) {
    unsigned any = 0;
    std::size_t block = 0, i = 0;
    for (; i + kNewEntryBlock <= n; i += kNewEntryBlock, ++block) {
        unsigned found = 0;
        for (std::size_t k = 0; k < kNewEntryBlock; ++k)
            found |=
                static_cast<unsigned>(v[i + k] == 0.0) & static_cast<unsigned>(a[i + k] != 0.0);
        blockHasNew[block] = static_cast<unsigned char>(found);
        any |= found;
        if (!found)
            for (std::size_t k = 0; k < kNewEntryBlock; ++k) v[i + k] = v[i + k] - f * a[i + k];
    }
    if (i < n) {
        unsigned found = 0;
        for (std::size_t k = i; k < n; ++k)
            found |= static_cast<unsigned>(v[k] == 0.0) & static_cast<unsigned>(a[k] != 0.0);
        blockHasNew[block] = static_cast<unsigned char>(found);
        any |= found;
        if (!found)
            for (std::size_t k = i; k < n; ++k) v[k] = v[k] - f * a[k];
    }
    return any != 0;
}

MEMBRANE_VECTOR_CLONES
void SubtractScaled(double* __restrict v, const double* __restrict a, double f, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) v[i] = v[i] - f * a[i];
}

}  // namespace membrane
