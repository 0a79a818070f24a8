#include "form/form_bars.h"

#include <algorithm>

#include "common/pair_map.h"

namespace membrane {

FormBars BuildFormBars(const FormModel& model) {
    FormBars bars;
    PairMap index;
    const auto bar = [&](std::int32_t a, std::int32_t b) {
        const std::uint64_t key = PairMap::Key(a, b);
        std::int32_t found = index.Find(key);
        if (found == PairMap::kNone) {
            found = static_cast<std::int32_t>(bars.ends.size());
            index.Set(key, found);
            bars.ends.push_back({std::min(a, b), std::max(a, b)});
        }
        return found;
    };
    bars.ofTriangle.reserve(model.triangles.size());
    for (const auto& c : model.triangles)
        bars.ofTriangle.push_back({bar(c[1], c[2]), bar(c[2], c[0]), bar(c[0], c[1])});
    for (const CableSpec& cable : model.cables) {
        std::vector<std::int32_t>& segments = bars.ofCable.emplace_back();
        for (std::size_t k = 1; k < cable.nodes.size(); ++k)
            segments.push_back(bar(cable.nodes[k - 1], cable.nodes[k]));
    }
    return bars;
}

}  // namespace membrane
