// Shared helpers of the core tests: a fresh temporary directory per test, writing and
// reading files byte for byte, and a results view that records what the run shows.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "common/results_view.h"
#include "common/run_state.h"

namespace membrane::test {

// A directory of its own for one test, removed with everything in it afterwards.
class TempDir {
public:
    TempDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "membrane-test-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) ADD_FAILURE() << "mkdtemp failed";
        path_ = pattern;
    }
    ~TempDir() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    // Full path of a file inside the directory.
    std::string File(const std::string& name) const { return (path_ / name).string(); }
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

inline bool Exists(const std::string& path) { return std::filesystem::exists(path); }

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

// Records what the computation hands to the results window.
class RecordingView final : public ResultsView {
public:
    void ShowMessage(const std::string& text) override { messages.push_back(text); }
    void FillCoordGrid(const RunState&) override { calls.push_back("coord"); }
    void FillElemGrid(const RunState&) override { calls.push_back("elem"); }
    void FillConstrGrid(const RunState&) override { calls.push_back("constr"); }
    void FillInitGrid(const RunState&) override { calls.push_back("init"); }
    void SetFlatArea(const std::string& text) override { flatArea = text; }
    void SetFinalArea(const std::string& text) override { finalArea = text; }
    void ShowResultHeights(const RunState&, int iterationCount) override {
        calls.push_back("heights");
        heightsIterations = iterationCount;
    }

    std::vector<std::string> messages;
    std::vector<std::string> calls;
    std::string flatArea, finalArea;
    int heightsIterations = -1;
};

// A model file from its four tables, with the header layout the reader expects (a blank
// after the count) and CR LF line ends.
struct ModelText {
    std::vector<std::string> coordinates;  // "n x y"
    std::vector<std::string> elements;     // "e n1 n2 n3"
    std::vector<std::string> constraints;  // "n"
    std::vector<std::string> initial;      // "n h"

    std::string Text() const {
        std::vector<std::string> lines{"FILE TEST.DAT", ""};
        auto table = [&](const std::string& title, const std::vector<std::string>& records) {
            lines.push_back(title + " " + std::to_string(records.size()) + "  ");
            lines.insert(lines.end(), records.begin(), records.end());
        };
        table("&COORDINATES", coordinates);
        table("&ELEMENTS", elements);
        table("&INITIAL", initial);
        table("&CONSTRAINTS", constraints);
        lines.push_back("");
        return CrLf(lines);
    }
};

// Writes the model into `dir` as MODEL.DAT and points the state's boundary points file
// into the same directory, so that no test writes beside the working directory.
inline std::string PrepareModel(const TempDir& dir, RunState& state, const std::string& text,
                                const std::string& name = "MODEL.DAT") {
    const std::string path = dir.File(name);
    WriteFile(path, text);
    state.boundaryPointsPath = dir.File("BNDRYPTS.txt");
    return path;
}

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
