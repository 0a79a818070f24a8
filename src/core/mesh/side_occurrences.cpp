#include "mesh/side_occurrences.h"

#include <algorithm>

namespace membrane {

std::vector<std::int32_t> PreviousOccurrences(const std::vector<std::uint64_t>& sides) {
    const std::size_t count = sides.size();
    std::vector<std::int32_t> previous(count, -1);
    if (count < 2) return previous;

    // The sides with their positions, sorted by side and stably: a least-significant-digit
    // radix sort in 16-bit digits that skips the digits in which all sides agree (the high
    // bits of node numbers, mostly).
    struct Record {
        std::uint64_t side;
        std::int32_t position;
    };
    std::vector<Record> records(count), scratch(count);
    std::uint64_t differing = 0;
    for (std::size_t t = 0; t < count; ++t) {
        records[t] = Record{sides[t], static_cast<std::int32_t>(t)};
        differing |= sides[t] ^ sides[0];
    }
    std::vector<std::size_t> start((1 << 16) + 1);
    for (int shift = 0; shift < 64; shift += 16) {
        if (((differing >> shift) & 0xffffu) == 0) continue;
        std::fill(start.begin(), start.end(), 0);
        for (const Record& r : records) ++start[((r.side >> shift) & 0xffffu) + 1];
        for (std::size_t d = 1; d < start.size(); ++d) start[d] += start[d - 1];
        for (const Record& r : records) scratch[start[(r.side >> shift) & 0xffffu]++] = r;
        records.swap(scratch);
    }
    // Equal sides now stand together, in their order in the sequence.
    for (std::size_t k = 1; k < count; ++k)
        if (records[k].side == records[k - 1].side)
            previous[records[k].position] = records[k - 1].position;
    return previous;
}

}  // namespace membrane
