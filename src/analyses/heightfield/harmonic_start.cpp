#include "heightfield/harmonic_start.h"

namespace membrane {

SolveStatus HarmonicStartHeights(const Model& model, NewtonSystem& system,
                                 std::vector<double>& heights) {
    std::vector<char> held(model.startHeights.size(), 0);
    for (const auto& entry : model.constraints.Entries())
        if (const auto index = model.nodes.IndexOf(entry.value); index >= 0) held[index] = 1;
    heights = model.startHeights;
    system.AssembleHarmonic(heights);
    const SolveStatus status = system.Solve();
    if (status != SolveStatus::Ok) return status;
    std::vector<double> extension(heights.size());
    system.Increments(extension);
    for (std::size_t k = 0; k < heights.size(); ++k)
        if (!held[k]) heights[k] = extension[k];
    return SolveStatus::Ok;
}

}  // namespace membrane
