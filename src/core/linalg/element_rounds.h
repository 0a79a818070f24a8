// Element terms computed on two threads and added in element order: what the assemblies
// of the sparse systems share.
//
// The terms (a power and a root per element, or a small dense matrix) cost far more than
// adding them, so the elements go in rounds of kRound: in each round a second thread
// computes the terms of the later part into a buffer while the calling thread computes
// and adds those of the earlier part, then adds the buffered ones. Every entry receives
// the same terms in the same order as in one pass, so the system is the same bit for bit.
// Two buffers, so that the second thread can go on with the next round while the first
// adds: some 300 KB for a triangle's terms whatever the model (the whole later part
// buffered took 80 MB at a million nodes).
#pragma once

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

namespace membrane {

// Two buffers of terms and whether a second thread can be had; kept by a solver from one
// assembly to the next.
template <class Terms>
struct ElementRounds {
    bool parallel = true;
    std::vector<Terms> buffered[2];
};

// compute(e, terms) fills the terms of element e (any thread); add(e, terms) adds them
// (the calling thread only, in ascending e).
template <class Terms, class Compute, class Add>
void AddInElementOrder(std::size_t count, ElementRounds<Terms>& rounds, const Compute& compute,
                       const Add& add) {
    constexpr std::size_t kRound = std::size_t{1} << 12;
    constexpr std::size_t kOwnPart = kRound * 9 / 20;  // the adding takes the rest of the time
    const std::size_t roundCount = (count + kRound - 1) / kRound;
    const auto laterPart = [&](std::size_t round) {
        const std::size_t begin = std::min(round * kRound + kOwnPart, count);
        return std::make_pair(begin, std::min(round * kRound + kRound, count));
    };
    std::atomic<std::size_t> computed{0}, added{0};  // rounds done by each thread
    std::thread helper;
    if (rounds.parallel && count > kOwnPart) {
        for (auto& buffer : rounds.buffered) buffer.resize(kRound - kOwnPart);
        try {
            helper = std::thread([&] {
                for (std::size_t round = 0; round < roundCount; ++round) {
                    // The buffer of two rounds ago must have been added.
                    for (std::size_t done = added.load(); done + 2 <= round; done = added.load())
                        added.wait(done);
                    const auto [begin, end] = laterPart(round);
                    std::vector<Terms>& buffer = rounds.buffered[round % 2];
                    for (std::size_t e = begin; e < end; ++e) compute(e, buffer[e - begin]);
                    computed.store(round + 1);
                    computed.notify_one();
                }
            });
        } catch (const std::system_error&) {
            rounds.parallel = false;  // no second thread: one pass from now on
        }
    }
    Terms terms;
    if (!helper.joinable()) {
        for (std::size_t e = 0; e < count; ++e) {
            compute(e, terms);
            add(e, terms);
        }
        return;
    }
    for (std::size_t round = 0; round < roundCount; ++round) {
        const auto [begin, end] = laterPart(round);
        for (std::size_t e = round * kRound; e < begin; ++e) {
            compute(e, terms);
            add(e, terms);
        }
        for (std::size_t done = computed.load(); done <= round; done = computed.load())
            computed.wait(done);
        const std::vector<Terms>& buffer = rounds.buffered[round % 2];
        for (std::size_t e = begin; e < end; ++e) add(e, buffer[e - begin]);
        added.store(round + 1);
        added.notify_one();
    }
    helper.join();
}

}  // namespace membrane
