#include "formats/obj_format.h"

#include <charconv>

#include "formats/import_error.h"

namespace membrane {
namespace {

class ObjLine {
  public:
    ObjLine(std::string_view text, std::size_t number) : rest_(text), number_(number) {}

    std::string_view Word() {
        const std::size_t begin = rest_.find_first_not_of(" \t\r");
        if (begin == std::string_view::npos) return rest_ = {};
        const std::size_t end = rest_.find_first_of(" \t\r", begin);
        const std::string_view word = rest_.substr(begin, end - begin);
        rest_ = end == std::string_view::npos ? std::string_view() : rest_.substr(end);
        return word;
    }
    double Real() {
        const std::string_view word = Word();
        double value = 0.0;
        const auto [end, ec] = std::from_chars(word.data(), word.data() + word.size(), value);
        if (word.empty() || ec != std::errc() || end != word.data() + word.size())
            Fail("a coordinate");
        return value;
    }
    [[noreturn]] void Fail(const std::string& what) const {
        throw ImportError("OBJ line " + std::to_string(number_) + ": " + what +
                          " is missing or not a number");
    }

  private:
    std::string_view rest_;
    std::size_t number_;
};

std::string Shortest(double value) {
    char buffer[32];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, value).ptr;
    return std::string(buffer, end);
}

}  // namespace

SurfaceMesh ParseObj(std::string_view text) {
    SurfaceMesh mesh;
    std::vector<std::uint32_t> corners;
    std::size_t number = 0;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        ObjLine line(text.substr(0, end), ++number);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        const std::string_view keyword = line.Word();
        if (keyword == "v") {
            const double x = line.Real(), y = line.Real(), z = line.Real();
            mesh.points.push_back({x, y, z});
        } else if (keyword == "f") {
            corners.clear();
            for (std::string_view word = line.Word(); !word.empty(); word = line.Word()) {
                long index = 0;
                const std::string_view vertex = word.substr(0, word.find('/'));
                const auto [stop, ec] =
                    std::from_chars(vertex.data(), vertex.data() + vertex.size(), index);
                const long count = static_cast<long>(mesh.points.size());
                if (index < 0) index += count + 1;
                if (ec != std::errc() || stop != vertex.data() + vertex.size() || index < 1 ||
                    index > count)
                    line.Fail("a vertex " + std::string(word));
                corners.push_back(static_cast<std::uint32_t>(index - 1));
            }
            if (corners.size() < 3) line.Fail("a third corner");
            if (corners.size() <= 4)
                mesh.AddFace(corners);
            else
                for (std::size_t k = 1; k + 1 < corners.size(); ++k)
                    mesh.triangles.push_back({corners[0], corners[k], corners[k + 1]});
        }
    }
    return mesh;
}

void RenderObj(TextSink& out, const SurfaceMesh& mesh, const std::vector<SurfacePoint>& normals) {
    out.Line("# membrane surface: metres, z up");
    for (const SurfacePoint& p : mesh.points)
        out.Line("v " + Shortest(p.x) + " " + Shortest(p.y) + " " + Shortest(p.z));
    for (const SurfacePoint& n : normals)
        out.Line("vn " + Shortest(n.x) + " " + Shortest(n.y) + " " + Shortest(n.z));
    for (const auto& t : mesh.triangles) {
        std::string line = "f";
        for (std::uint32_t corner : t) {
            const std::string index = std::to_string(corner + 1);
            line += " " + index + (normals.empty() ? "" : "//" + index);
        }
        out.Line(line);
    }
}

}  // namespace membrane
