// Whole files compared with stored copies (tests/data/...). With MEMBRANE_UPDATE_GOLDEN=1
// in the environment the stored copy is written instead: review the difference before
// committing it.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>
#include <string>

#include "support/files.h"

namespace membrane::test {

// Compares line by line first, so that a failure names the line instead of dumping
// kilobytes; then byte for byte.
inline void ExpectSameText(const std::string& expected, const std::string& actual,
                           const std::string& what) {
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
        if (le != la) {
            ADD_FAILURE() << what << ", line " << number << "\n expected: [" << le
                          << "]\n actual:   [" << la << "]";
            return;
        }
    }
    EXPECT_TRUE(expected == actual) << what;
}

inline void ExpectGolden(const std::string& relative, const std::string& actual) {
    const std::string path = DataFile(relative);
    const char* update = std::getenv("MEMBRANE_UPDATE_GOLDEN");
    if (update != nullptr && std::string(update) == "1") {
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        WriteFile(path, actual);
        return;
    }
    ASSERT_TRUE(Exists(path)) << "no golden file " << path
                              << " (MEMBRANE_UPDATE_GOLDEN=1 writes it)";
    ExpectSameText(ReadFile(path), actual, relative);
}

}  // namespace membrane::test
