// Quote characters (' and ") around a text, as the plotting commands and the model file's
// titles may carry them.
#pragma once

#include <cstddef>
#include <string>

namespace membrane {

inline void StripLeadingQuotes(std::string& s) {
    std::size_t i = 0;
    while (i < s.size() && (s[i] == '\'' || s[i] == '"')) ++i;
    s.erase(0, i);
}

inline void StripTrailingQuotes(std::string& s) {
    while (!s.empty() && (s.back() == '\'' || s.back() == '"')) s.pop_back();
}

}  // namespace membrane
