// Random input for comparing two readers of the same text.
#pragma once

#include <iterator>
#include <random>
#include <string>

namespace membrane::test {

// A text of at least `length` characters made of the given pieces, each drawn with its
// weight: random input for comparing two readers of the same file.
template <std::size_t N>
std::string RandomTextOf(std::mt19937& random, std::size_t length, const std::string (&pieces)[N],
                         const int (&weights)[N]) {
    std::discrete_distribution<int> pick(std::begin(weights), std::end(weights));
    std::string text;
    while (text.size() < length) text += pieces[pick(random)];
    return text;
}

}  // namespace membrane::test
