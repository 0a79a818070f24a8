#include "heightfield/model_writer.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>

#include "common/file_names.h"
#include "common/io_error.h"
#include "common/number_format.h"
#include "common/text_file.h"

namespace membrane {
namespace {

// The model file's reader converts through long double: the shortest form that reads back
// exactly under plain rounding is checked that way, and 17 digits taken where it is not.
std::string ExactReal(double value) {
    char buffer[40];
    auto end = std::to_chars(buffer, buffer + sizeof buffer, value).ptr;
    long double wide = 0.0L;
    std::from_chars(buffer, end, wide);
    if (static_cast<double>(wide) != value)
        end = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 17)
                  .ptr;
    return std::string(buffer, end);
}

// Header text must not contain a table's title (the reader finds a title anywhere).
std::string Harmless(std::string text) {
    std::replace_if(
        text.begin(), text.end(),
        [](char c) { return c == '&' || static_cast<unsigned char>(c) < 32 || c == 127; }, '_');
    return text;
}

}  // namespace

void RenderModelFile(TextSink& out, const PlanModel& plan, const std::string& fileName,
                     const std::string& source) {
    const std::size_t n = plan.nodes.size();
    out.Line("FILE " + Harmless(fileName));
    out.Line("# made by membrane import from " + Harmless(source));
    out.Line();
    out.Line("&COORDINATES " + std::to_string(n) + "  ");
    for (std::size_t i = 0; i < n; ++i)
        out.Line(FormatInt(i + 1, 5) + " " + PadLeft(ExactReal(plan.nodes[i].x), 14) + " " +
                 PadLeft(ExactReal(plan.nodes[i].y), 14));
    out.Line("&ELEMENTS " + std::to_string(plan.triangles.size()) + "  ");
    for (std::size_t e = 0; e < plan.triangles.size(); ++e) {
        std::string line = FormatInt(e + 1, 5) + "  ";
        for (std::uint32_t node : plan.triangles[e]) line += " " + FormatInt(node + 1, 7);
        out.Line(line);
    }
    out.Line("&INITIAL " + std::to_string(n) + "  ");
    for (std::size_t i = 0; i < n; ++i)
        out.Line(FormatInt(i + 1, 5) + " " + PadLeft(ExactReal(plan.heights[i]), 14));
    const auto held = std::count(plan.held.begin(), plan.held.end(), true);
    out.Line("&CONSTRAINTS " + std::to_string(held) + "  ");
    for (std::size_t i = 0; i < n; ++i)
        if (plan.held[i]) out.Line(std::to_string(i + 1));
    out.Line();
}

void WriteModelFile(const std::string& path, const PlanModel& plan, const std::string& source) {
    AtomicFile target(path);
    auto file = target.Create();
    if (!file) throw IoError("Can not create " + target.Error());
    RenderModelFile(*file, plan, ExtractFileName(path), source);
    file->Close();
    target.Commit();
}

}  // namespace membrane
