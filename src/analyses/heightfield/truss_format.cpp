#include "heightfield/truss_format.h"

#include "common/file_names.h"
#include "common/key_index.h"
#include "common/number_format.h"

namespace membrane {

void RenderTrussHeader(TextSink& out, const std::string& modelFileName) {
    out.Line("; data from BRIMEL.EXE");
    out.Line("; project :" + PrintableName(modelFileName));
    for (const char* line :
         {"", "[properties]", "E=10000", "A=1", "", "[barproperties]", "1=10000@1", ""})
        out.Line(line);
}

void RenderTrussNodes(TextSink& out, const NodeTable& nodes, std::span<const double> z) {
    if (nodes.Empty()) return;
    out.Line("[coordinates]");
    std::string line;
    const auto& all = nodes.Nodes();
    for (std::size_t k = 0; k < all.size(); ++k) {
        line = std::to_string(all[k].number);
        line += '=';
        line += FormatGeneral(all[k].x);
        line += '@';
        line += FormatGeneral(all[k].y);
        line += '@';
        line += FormatGeneral(z[k]);
        out.Line(line);
    }
    out.Line();
}

void RenderTrussBars(TextSink& out, const ElementTable& bars) {
    if (bars.Empty()) return;
    out.Line("[elements]");
    std::string line;
    for (const ElementEntry& bar : bars.Elements()) {
        line = std::to_string(bar.number);
        line += '=';
        for (std::int32_t node : bars.NodesOf(bar)) {
            line += std::to_string(node);
            line += '@';
        }
        line += std::to_string(bar.type);
        out.Line(line);
    }
    out.Line();
}

std::vector<NodalLoad> TrussLoads(const ElementTable& elements, std::span<const double> areas,
                                  double weight) {
    std::vector<NodalLoad> loads;
    KeyIndex loadOf;  // node number -> its place in `loads`
    const auto& all = elements.Elements();
    for (std::size_t e = 0; e < all.size(); ++e) {
        // One third of the triangle's weight on each corner, in extended precision.
        const double load = static_cast<double>(1.0L / 3.0L * static_cast<long double>(areas[e]) *
                                                static_cast<long double>(weight));
        for (std::int32_t node : elements.NodesOf(all[e])) {
            const std::int32_t at = loadOf.Find(node);
            if (at != KeyIndex::kNone) {
                loads[at].load = loads[at].load + load;
            } else {
                loadOf.Set(node, static_cast<std::int32_t>(loads.size()));
                loads.push_back(NodalLoad{node, load});
            }
        }
    }
    return loads;
}

void RenderTrussLoadsAndSupports(TextSink& out, const std::vector<NodalLoad>& loads,
                                 const IntList& held) {
    out.Line();
    out.Line("[loads]");
    std::string line;
    int k = 0;
    for (const NodalLoad& entry : loads) {
        line = std::to_string(++k);
        line += '=';
        line += std::to_string(entry.node);
        line += "@z@";
        line += FormatGeneral(entry.load);
        out.Line(line);
    }
    out.Line();
    out.Line();
    out.Line("[supports]");
    k = 0;
    for (const auto& entry : held.Entries()) {
        const std::string node = std::to_string(entry.value);
        for (const char* axis : {"@x", "@y", "@z"})
            out.Line(std::to_string(++k) + "=" + node + axis);
    }
    out.Line();
}

}  // namespace membrane
