// Helpers of the scene tests: a scratch directory and whole-file comparison.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace membrane::testing {

inline std::string ReadBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

inline std::string GoldenScene(const std::string& name) {
    return ReadBytes(std::filesystem::path(MEMBRANE_TEST_DATA) / "vrml" / name);
}

// Compares line by line first, so that a failure names the line instead of dumping
// kilobytes; then byte for byte.
inline void ExpectSameScene(const std::string& expected, const std::string& actual) {
    std::istringstream e(expected), a(actual);
    std::string le, la;
    int number = 0;
    while (true) {
        const bool more_e = static_cast<bool>(std::getline(e, le));
        const bool more_a = static_cast<bool>(std::getline(a, la));
        ++number;
        if (!more_e || !more_a) {
            EXPECT_EQ(more_e, more_a) << "files differ in length at line " << number;
            break;
        }
        if (le != la) {
            ADD_FAILURE() << "line " << number << "\n expected: [" << le << "]\n actual:   [" << la << "]";
            return;
        }
    }
    EXPECT_TRUE(expected == actual);
}

class ScratchDir {
public:
    ScratchDir() {
        path_ = std::filesystem::temp_directory_path() /
                ("membrane-vrml-" + std::to_string(::getpid()) + "-" + std::to_string(counter_++));
        std::filesystem::remove_all(path_);
        std::filesystem::create_directories(path_);
    }
    ~ScratchDir() {
        std::error_code ignored;
        std::filesystem::permissions(path_, std::filesystem::perms::owner_all, ignored);
        std::filesystem::remove_all(path_, ignored);
    }
    std::string operator/(const std::string& name) const { return (path_ / name).string(); }
    const std::filesystem::path& path() const { return path_; }

private:
    static inline int counter_ = 0;
    std::filesystem::path path_;
};

}  // namespace membrane::testing
