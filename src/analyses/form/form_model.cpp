#include "form/form_model.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace membrane {
namespace {

bool PositiveFinite(double value) {
    return std::isfinite(value) && value > 0.0;
}

// The parts of the mesh that triangles and cables join (union-find), as a root per node.
std::vector<std::int32_t> Parts(const FormModel& model) {
    std::vector<std::int32_t> parent(model.NodeCount());
    std::iota(parent.begin(), parent.end(), 0);
    const auto root = [&parent](std::int32_t i) {
        while (parent[i] != i) i = parent[i] = parent[parent[i]];
        return i;
    };
    const auto join = [&](std::int32_t a, std::int32_t b) { parent[root(a)] = root(b); };
    for (const auto& t : model.triangles) {
        join(t[0], t[1]);
        join(t[1], t[2]);
    }
    for (const CableSpec& cable : model.cables)
        for (std::size_t k = 1; k < cable.nodes.size(); ++k)
            join(cable.nodes[k - 1], cable.nodes[k]);
    for (std::size_t i = 0; i < parent.size(); ++i) parent[i] = root(static_cast<std::int32_t>(i));
    return parent;
}

}  // namespace

void FinishFormModel(FormModel& model) {
    model.held.assign(model.NodeCount(), 0);
    for (const SupportSpec& support : model.supports)
        for (std::int32_t node : support.nodes)
            if (node >= 0 && static_cast<std::size_t>(node) < model.NodeCount())
                model.held[node] = 1;
    Vec3 low{INFINITY, INFINITY, INFINITY}, high{-INFINITY, -INFINITY, -INFINITY};
    for (const Vec3& p : model.start)
        for (int k = 0; k < 3; ++k) {
            low[k] = std::min(low[k], p[k]);
            high[k] = std::max(high[k], p[k]);
        }
    model.extent = model.start.empty() ? 0.0 : Norm(high - low);
}

std::vector<std::string> CheckFormModel(const FormModel& model) {
    std::vector<std::string> errors;
    const auto n = static_cast<std::int32_t>(model.NodeCount());
    const auto known = [n](std::int32_t node) { return node >= 0 && node < n; };
    const auto label = [&model](std::int32_t node) { return std::to_string(model.labels[node]); };

    for (const MembraneRegion& region : model.regions) {
        if (!PositiveFinite(region.stress))
            errors.push_back("membrane \"" + region.name +
                             "\": the prestress must be a positive number of kN/m");
        if (!std::isfinite(region.pressure))
            errors.push_back("membrane \"" + region.name + "\": the pressure is no number");
    }
    for (const CableSpec& cable : model.cables) {
        if (!PositiveFinite(cable.force))
            errors.push_back("cable \"" + cable.name +
                             "\": the force must be a positive number of kN");
        if (cable.nodes.size() < 2)
            errors.push_back("cable \"" + cable.name + "\": a cable needs two nodes at least");
        if (!std::all_of(cable.nodes.begin(), cable.nodes.end(), known))
            errors.push_back("cable \"" + cable.name + "\": names a node that is not in the mesh");
    }
    if (model.triangles.empty()) errors.push_back("the surface has no triangles");
    for (std::size_t t = 0; t < model.triangles.size(); ++t) {
        const auto& c = model.triangles[t];
        if (!known(c[0]) || !known(c[1]) || !known(c[2])) {
            errors.push_back("triangle " + std::to_string(t + 1) +
                             " names a node that is not in the mesh");
            continue;
        }
        const Vec3 normal =
            Cross(model.start[c[1]] - model.start[c[0]], model.start[c[2]] - model.start[c[0]]);
        if (!(Norm(normal) > 0.0))
            errors.push_back("triangle " + std::to_string(t + 1) + " (nodes " + label(c[0]) + ", " +
                             label(c[1]) + ", " + label(c[2]) + ") has no area at the start");
        if (t >= model.triangleRegion.size() || model.triangleRegion[t] < 0 ||
            static_cast<std::size_t>(model.triangleRegion[t]) >= model.regions.size()) {
            errors.push_back("triangle " + std::to_string(t + 1) +
                             " belongs to no membrane region");
        }
    }
    bool anySupport = false;
    for (const SupportSpec& support : model.supports) {
        if (support.nodes.empty())
            errors.push_back("support \"" + support.name + "\" holds no node");
        anySupport = anySupport || !support.nodes.empty();
    }
    if (!anySupport) errors.push_back("no support: nothing holds the membrane in place");
    if (!errors.empty()) return errors;

    // Every part of the mesh must be held somewhere, or it could float away.
    const std::vector<std::int32_t> part = Parts(model);
    std::vector<char> partHeld(part.size(), 0), used(part.size(), 0);
    for (const auto& t : model.triangles)
        for (std::int32_t i : t) used[i] = 1;
    for (const CableSpec& cable : model.cables)
        for (std::int32_t i : cable.nodes) used[i] = 1;
    for (std::size_t i = 0; i < part.size(); ++i)
        if (model.held.size() == part.size() && model.held[i]) partHeld[part[i]] = 1;
    for (std::size_t i = 0; i < part.size(); ++i)
        if (used[i] && !partHeld[part[i]]) {
            errors.push_back("the part of the mesh with node " +
                             label(static_cast<std::int32_t>(i)) + " is held by no support");
            partHeld[part[i]] = 1;  // told once a part
        }
    return errors;
}

}  // namespace membrane
