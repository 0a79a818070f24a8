#include "form/form_bars.h"

#include <algorithm>

#include "common/pair_map.h"
#include "mesh/topology.h"

namespace membrane {

FormBars BuildFormBars(const FormModel& model) {
    EdgeTable edges = BuildEdges(model.triangles);
    FormBars bars{std::move(edges.ends), std::move(edges.ofTriangle), {}};
    PairMap index;
    for (std::size_t e = 0; e < bars.ends.size(); ++e)
        index.Set(PairMap::Key(bars.ends[e][0], bars.ends[e][1]), static_cast<std::int32_t>(e));
    // A cable along triangle sides shares their bars; its other segments are bars of their own.
    for (const CableSpec& cable : model.cables) {
        std::vector<std::int32_t>& segments = bars.ofCable.emplace_back();
        for (std::size_t k = 1; k < cable.nodes.size(); ++k) {
            const std::int32_t a = cable.nodes[k - 1], b = cable.nodes[k];
            const std::uint64_t key = PairMap::Key(a, b);
            std::int32_t found = index.Find(key);
            if (found == PairMap::kNone) {
                found = static_cast<std::int32_t>(bars.ends.size());
                index.Set(key, found);
                bars.ends.push_back({std::min(a, b), std::max(a, b)});
            }
            segments.push_back(found);
        }
    }
    return bars;
}

}  // namespace membrane
