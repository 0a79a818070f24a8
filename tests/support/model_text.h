// Model files written by the tests: the four tables as text, and the square grid most
// tests run.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "common/number_format.h"
#include "support/files.h"

namespace membrane::test {

// A model file from its four tables, with the header layout the reader expects (blanks
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
    // Writes the text to `path` and returns the path.
    std::string WriteTo(const std::string& path) const {
        WriteFile(path, Text());
        return path;
    }
};

// An n x n grid of nodes over [0, size]^2, numbered row by row from 1, two
// counter-clockwise triangles per cell (a, a+1, a+n+1) and (a, a+n+1, a+n). The boundary
// nodes are held at boundary(x, y); the interior starts at start(x, y).
inline ModelText Grid(int n, double size, const std::function<double(double, double)>& boundary,
                      const std::function<double(double, double)>& start) {
    ModelText m;
    auto id = [n](int i, int j) { return j * n + i + 1; };
    for (int j = 0; j < n; ++j)
        for (int i = 0; i < n; ++i) {
            const double x = size * i / (n - 1), y = size * j / (n - 1);
            m.coordinates.push_back(std::to_string(id(i, j)) + " " + FormatGeneral(x) + " " +
                                    FormatGeneral(y));
            const bool edge = i == 0 || j == 0 || i == n - 1 || j == n - 1;
            if (edge) m.constraints.push_back(std::to_string(id(i, j)));
            m.initial.push_back(std::to_string(id(i, j)) + " " +
                                FormatGeneral(edge ? boundary(x, y) : start(x, y)));
        }
    int e = 0;
    for (int j = 0; j + 1 < n; ++j)
        for (int i = 0; i + 1 < n; ++i) {
            m.elements.push_back(std::to_string(++e) + " " + std::to_string(id(i, j)) + " " +
                                 std::to_string(id(i + 1, j)) + " " +
                                 std::to_string(id(i + 1, j + 1)));
            m.elements.push_back(std::to_string(++e) + " " + std::to_string(id(i, j)) + " " +
                                 std::to_string(id(i + 1, j + 1)) + " " +
                                 std::to_string(id(i, j + 1)));
        }
    return m;
}

// The 3 x 3 grid over [0, 2]^2 with the corners held at 1, the edge midpoints at 0 and
// the centre node 5 free, started at 0.3.
inline ModelText SmallGrid() {
    return Grid(
        3, 2.0, [](double x, double y) { return (x == 1.0 || y == 1.0) ? 0.0 : 1.0; },
        [](double, double) { return 0.3; });
}

// Replaces every `from` in `text` by `to`.
inline std::string Replace(std::string text, const std::string& from, const std::string& to) {
    for (std::size_t at = text.find(from); at != std::string::npos;
         at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

}  // namespace membrane::test
