// Whole files compared with stored copies (tests/data/...). With MEMBRANE_UPDATE_GOLDEN=1
// in the environment the stored copy is written instead: review the difference before
// committing it.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <regex>
#include <sstream>
#include <string>

#include "support/files.h"

namespace membrane::test {

// How closely two files must agree.
enum class GoldenMatch {
    Exact,  // byte for byte
    // The same text around the numbers, each number within 1e-12 of the other (relative to
    // the larger, or absolute for numbers near 0): for results of the system's BLAS, whose
    // kernels (and so the order of their sums) differ from one processor to the next.
    RoundOff,
};

// Whether two lines hold the same text with numbers that differ by round-off only (the
// blanks that pad a column may differ where a number gains or loses its sign).
inline bool SameUpToRoundOff(const std::string& expected, const std::string& actual) {
    static const std::regex number(R"([-+]?(\d+\.?\d*|\.\d+)([eE][-+]?\d+)?)");
    const auto words = [](std::string text) {
        text.erase(std::remove(text.begin(), text.end(), ' '), text.end());
        return text;
    };
    std::sregex_iterator e(expected.begin(), expected.end(), number),
        a(actual.begin(), actual.end(), number), end;
    std::size_t expectedAt = 0, actualAt = 0;
    for (; e != end && a != end; ++e, ++a) {
        if (words(expected.substr(expectedAt, e->position() - expectedAt)) !=
            words(actual.substr(actualAt, a->position() - actualAt)))
            return false;
        const double x = std::stod(e->str()), y = std::stod(a->str());
        if (std::abs(x - y) > 1e-12 * std::max({1.0, std::abs(x), std::abs(y)})) return false;
        expectedAt = e->position() + e->length();
        actualAt = a->position() + a->length();
    }
    return e == end && a == end &&
           words(expected.substr(expectedAt)) == words(actual.substr(actualAt));
}

// Compares line by line first, so that a failure names the line instead of dumping
// kilobytes; then byte for byte (or, for RoundOff, number by number).
inline void ExpectSameText(const std::string& expected, const std::string& actual,
                           const std::string& what, GoldenMatch match = GoldenMatch::Exact) {
    std::istringstream e(expected), a(actual);
    std::string le, la;
    for (int number = 1;; ++number) {
        const bool moreExpected = static_cast<bool>(std::getline(e, le));
        const bool moreActual = static_cast<bool>(std::getline(a, la));
        if (!moreExpected || !moreActual) {
            EXPECT_EQ(moreExpected, moreActual)
                << what << ": the files differ in length at line " << number;
            break;
        }
        if (le != la && !(match == GoldenMatch::RoundOff && SameUpToRoundOff(le, la))) {
            ADD_FAILURE() << what << ", line " << number << "\n expected: [" << le
                          << "]\n actual:   [" << la << "]";
            return;
        }
    }
    if (match == GoldenMatch::Exact) {
        EXPECT_TRUE(expected == actual) << what;
    }
}

inline void ExpectGolden(const std::string& relative, const std::string& actual,
                         GoldenMatch match = GoldenMatch::Exact) {
    const std::string path = DataFile(relative);
    const char* update = std::getenv("MEMBRANE_UPDATE_GOLDEN");
    if (update != nullptr && std::string(update) == "1") {
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        WriteFile(path, actual);
        return;
    }
    ASSERT_TRUE(Exists(path)) << "no golden file " << path
                              << " (MEMBRANE_UPDATE_GOLDEN=1 writes it)";
    ExpectSameText(ReadFile(path), actual, relative, match);
}

}  // namespace membrane::test
