// The two inner loops of the elimination on dense rows, built for several instruction
// sets (the fastest one the processor offers is chosen when the program starts).
// Each element is computed as v - f * a with two roundings, exactly as the sparse
// elimination does it, whatever the vector width.
#pragma once

#include <cstddef>

namespace membrane {

// Positions are looked at in blocks of kNewEntryBlock.
inline constexpr std::size_t kNewEntryBlock = 32;

// v[i] = v[i] - f * a[i], block by block, except in the blocks where some position has
// v == 0 (no entry) while a != 0, i.e. where the update creates an entry: those are left
// as they are, flagged in blockHasNew (one flag per block, the last block may be
// shorter), for the caller to record the new entries before updating them. Returns
// whether any block was flagged. One pass over v, while it is in the cache.
bool SubtractScaledExceptNew(double* v, const double* a, double f, std::size_t n,
                             unsigned char* blockHasNew);

// v[i] = v[i] - f * a[i] for every i.
void SubtractScaled(double* v, const double* a, double f, std::size_t n);

}  // namespace membrane
