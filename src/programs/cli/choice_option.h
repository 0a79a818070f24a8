// The command line's names of a choice, for CLI11's checked transformer: "--solver amg".
#pragma once

#include <array>
#include <cstddef>
#include <map>
#include <string>
#include <string_view>

namespace membrane {

template <typename Enum, std::size_t N>
std::map<std::string, Enum> ChoicesByName(const std::array<std::string_view, N>& names) {
    std::map<std::string, Enum> choices;
    for (std::size_t k = 0; k < N; ++k) choices.emplace(names[k], static_cast<Enum>(k));
    return choices;
}

}  // namespace membrane
