// Test files: a directory of its own per test, and whole files written and read byte for
// byte.
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

namespace membrane::test {

// A directory of its own for one test, removed with everything in it afterwards.
class TempDir {
  public:
    TempDir() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "membrane-test-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
        path_ = pattern;
    }
    ~TempDir() {
        std::error_code ignored;
        // A test may have taken the write permission away.
        std::filesystem::permissions(path_, std::filesystem::perms::owner_all, ignored);
        std::filesystem::remove_all(path_, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    // Full path of a file inside the directory.
    std::string File(const std::string& name) const { return (path_ / name).string(); }
    std::string operator/(const std::string& name) const { return File(name); }
    const std::filesystem::path& Path() const { return path_; }

  private:
    std::filesystem::path path_;
};

inline void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

inline std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline bool Exists(const std::string& path) {
    return std::filesystem::exists(path);
}

// The names of the files in a directory, sorted.
inline std::vector<std::string> FileNames(const std::filesystem::path& directory) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(directory))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// Joins lines with CR LF after each, as the program's files end their lines.
inline std::string CrLf(const std::vector<std::string>& lines) {
    std::string text;
    for (const auto& line : lines) text += line + "\r\n";
    return text;
}

// Splits a CR LF text into its lines (a missing last line end is tolerated).
inline std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find("\r\n", start);
        if (end == std::string::npos) {
            lines.push_back(text.substr(start));
            break;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

// A file of the test data (tests/data/...).
inline std::string DataFile(const std::string& relative) {
    return (std::filesystem::path(MEMBRANE_TEST_DATA) / relative).string();
}

// The bundled example model copied into `dir` as TEST3.DAT; its path.
inline std::string CopyExample(const TempDir& dir) {
    const std::string path = dir.File("TEST3.DAT");
    std::filesystem::copy_file(MEMBRANE_EXAMPLES "/TEST3.DAT", path,
                               std::filesystem::copy_options::overwrite_existing);
    return path;
}

// A shell script `name` in `directory` that only ends with `status`: a stand-in for an
// outside program (xdg-open), found first when `directory` leads PATH.
inline void WriteFakeProgram(const std::string& directory, const std::string& name, int status) {
    const std::string path = (std::filesystem::path(directory) / name).string();
    WriteFile(path, "#!/bin/sh\nexit " + std::to_string(status) + "\n");
    std::filesystem::permissions(path, std::filesystem::perms::owner_all);
}

}  // namespace membrane::test
