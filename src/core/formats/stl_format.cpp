#include "formats/stl_format.h"

#include <charconv>
#include <cstring>

#include "formats/import_error.h"

namespace membrane {
namespace {

constexpr std::size_t kHeaderBytes = 84, kTriangleBytes = 50;

float LittleEndianFloat(const char* at) {
    std::uint32_t bits = 0;
    for (int k = 3; k >= 0; --k) bits = bits << 8 | static_cast<unsigned char>(at[k]);
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

std::uint32_t TriangleCount(std::string_view bytes) {
    std::uint32_t count = 0;
    for (int k = 3; k >= 0; --k) count = count << 8 | static_cast<unsigned char>(bytes[80 + k]);
    return count;
}

SurfaceMesh ParseBinary(std::string_view bytes) {
    const std::uint32_t count = TriangleCount(bytes);
    SurfaceMesh mesh;
    mesh.points.reserve(3 * std::size_t{count});
    mesh.triangles.reserve(count);
    for (std::size_t t = 0; t < count; ++t) {
        const char* corner = bytes.data() + kHeaderBytes + t * kTriangleBytes + 12;
        const auto first = static_cast<std::uint32_t>(mesh.points.size());
        for (int k = 0; k < 3; ++k, corner += 12)
            mesh.points.push_back({LittleEndianFloat(corner), LittleEndianFloat(corner + 4),
                                   LittleEndianFloat(corner + 8)});
        mesh.triangles.push_back({first, first + 1, first + 2});
    }
    return mesh;
}

class Words {
  public:
    explicit Words(std::string_view text) : rest_(text) {}
    std::string_view Next() {
        const std::size_t begin = rest_.find_first_not_of(" \t\r\n\f\v");
        if (begin == std::string_view::npos) return rest_ = {};
        line_ += Count(rest_.substr(0, begin));
        rest_.remove_prefix(begin);
        const std::size_t end = std::min(rest_.find_first_of(" \t\r\n\f\v"), rest_.size());
        const std::string_view word = rest_.substr(0, end);
        rest_.remove_prefix(end);
        return word;
    }
    double Real() {
        const std::string_view word = Next();
        double value = 0.0;
        const auto [stop, ec] = std::from_chars(word.data(), word.data() + word.size(), value);
        if (word.empty() || ec != std::errc() || stop != word.data() + word.size())
            Fail("a coordinate is missing or not a number");
        return value;
    }
    [[noreturn]] void Fail(const std::string& what) const {
        throw ImportError("STL line " + std::to_string(line_) + ": " + what);
    }

  private:
    static std::size_t Count(std::string_view s) {
        std::size_t n = 0;
        for (char c : s) n += c == '\n';
        return n;
    }
    std::string_view rest_;
    std::size_t line_ = 1;
};

SurfaceMesh ParseText(std::string_view text) {
    SurfaceMesh mesh;
    Words words(text);
    std::size_t corners = 0;
    bool inFacet = false;
    for (std::string_view word = words.Next(); !word.empty(); word = words.Next()) {
        if (word == "facet") {
            if (inFacet) words.Fail("a facet inside a facet");
            inFacet = true;
            corners = 0;
        } else if (word == "vertex") {
            if (!inFacet || ++corners > 3) words.Fail("a vertex outside a facet of three");
            const double x = words.Real(), y = words.Real(), z = words.Real();
            mesh.points.push_back({x, y, z});
        } else if (word == "endfacet") {
            if (!inFacet || corners != 3) words.Fail("a facet without three corners");
            const auto first = static_cast<std::uint32_t>(mesh.points.size() - 3);
            mesh.triangles.push_back({first, first + 1, first + 2});
            inFacet = false;
        }
    }
    if (inFacet) words.Fail("the file ends inside a facet");
    return mesh;
}

}  // namespace

SurfaceMesh ParseStl(std::string_view bytes) {
    if (bytes.size() >= kHeaderBytes &&
        bytes.size() == kHeaderBytes + kTriangleBytes * std::size_t{TriangleCount(bytes)})
        return ParseBinary(bytes);
    if (bytes.substr(0, 5) == "solid") return ParseText(bytes);
    if (bytes.size() < kHeaderBytes)
        throw ImportError("The STL file is too short: " + std::to_string(bytes.size()) +
                          " bytes, and not text (which starts with \"solid\")");
    throw ImportError(
        "The binary STL file states " + std::to_string(TriangleCount(bytes)) +
        " triangles, which take " +
        std::to_string(kHeaderBytes + kTriangleBytes * std::size_t{TriangleCount(bytes)}) +
        " bytes; it has " + std::to_string(bytes.size()));
}

}  // namespace membrane
