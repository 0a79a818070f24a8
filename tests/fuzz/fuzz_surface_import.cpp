// Fuzz target: the surface import over arbitrary bytes, from the parse to the numbered plan
// model, writing nothing.
//
// The first byte picks the format (its value modulo the number of formats in kFormats: a
// new format is one more entry there), the rest is the file. A surface either fails with
// ImportError or comes out as a plan model the model writer can rely on: every triangle's
// corners are nodes, counter-clockwise in plan, and there is a held flag and a height per
// node.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <string>
#include <string_view>

#include "formats/import_error.h"
#include "formats/surface_reader.h"
#include "heightfield/node_numbering.h"
#include "heightfield/plan_model.h"

namespace {

const char* const kFormats[] = {".obj", ".stl", ".ply", ".msh"};

[[noreturn]] void Fail(const char* what) {
    std::fprintf(stderr, "fuzz_surface_import: %s\n", what);
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace membrane;
    if (size == 0) return 0;
    const std::string format = kFormats[data[0] % std::size(kFormats)];
    const std::string_view bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
    try {
        PlanModel plan = MakePlanModel(ParseSurface(format, bytes), {});
        NumberForElimination(plan);
        if (plan.held.size() != plan.nodes.size() || plan.heights.size() != plan.nodes.size())
            Fail("a node without its held flag or height");
        for (const auto& t : plan.triangles) {
            for (std::uint32_t node : t)
                if (node >= plan.nodes.size()) Fail("a corner that is no node");
            const SurfacePoint &a = plan.nodes[t[0]], &b = plan.nodes[t[1]], &c = plan.nodes[t[2]];
            if (!((b.x - a.x) * (c.y - a.y) - (c.x - a.x) * (b.y - a.y) > 0))
                Fail("a triangle that is not counter-clockwise");
        }
    } catch (const ImportError&) {
    }
    return 0;
}
