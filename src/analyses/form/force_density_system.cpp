#include "form/force_density_system.h"

#include <algorithm>
#include <cmath>

#include "linalg/sparse_system_factory.h"

namespace membrane {

ForceDensitySystem::ForceDensitySystem(std::span<const std::array<std::int32_t, 2>> bars,
                                       std::span<const char> held)
    : bars_(bars.begin(), bars.end()), unknownOf_(held.size(), -1) {
    for (const auto& [a, b] : bars_)
        for (const std::int32_t node : {a, b})
            if (!held[node] && unknownOf_[node] < 0) unknownOf_[node] = 0;
    for (std::size_t node = 0; node < unknownOf_.size(); ++node)
        if (unknownOf_[node] == 0) {
            unknownOf_[node] = static_cast<std::int32_t>(nodeOf_.size());
            nodeOf_.push_back(static_cast<std::int32_t>(node));
        }
}

std::unique_ptr<ForceDensitySystem> ForceDensitySystem::Create(
    std::span<const std::array<std::int32_t, 2>> bars, std::span<const char> held,
    SolverChoice choice, const std::atomic<bool>* cancel, SolveStatus& status, double accuracy) {
    std::unique_ptr<ForceDensitySystem> network(new ForceDensitySystem(bars, held));
    network->accuracy_ = accuracy;
    const auto n = static_cast<std::int32_t>(network->nodeOf_.size());
    auto pattern = std::make_shared<SparsePattern>(n);
    // A free node with a held neighbour is tied to the ground: a part of the network with
    // none floats, and its matrix is singular.
    std::vector<char> grounded(static_cast<std::size_t>(n), 0);
    for (const auto& [a, b] : network->bars_) {
        const std::int32_t ends[2] = {network->unknownOf_[a], network->unknownOf_[b]};
        pattern->AddElement(ends);
        if (ends[0] >= 0 && ends[1] < 0) grounded[ends[0]] = 1;
        if (ends[1] >= 0 && ends[0] < 0) grounded[ends[1]] = 1;
    }
    status = SolveStatus::Ok;
    if (!pattern->Finish()) {
        status = SolveStatus::TooLarge;
        return nullptr;
    }
    network->solver_ = ResolveSolverChoice(choice, *pattern);
    if (n == 0) return network;
    SystemOptions options;
    options.cancel = cancel;
    options.grounded = std::move(grounded);
    network->system_ = CreateSparseSystem(network->solver_, std::move(pattern), std::move(options));
    if (!network->system_) {
        status = UnavailableStatus(network->solver_);
        return nullptr;
    }
    network->system_->SetColumns(3);
    return network;
}

SolveStatus ForceDensitySystem::SolveChange() {
    SparseSystem& system = *system_;
    if (!system.Iterative() || accuracy_ <= 0.0) return system.Solve();
    const SolveStatus status = system.Solve({.tolerance = kLooseTolerance});
    if (status != SolveStatus::Ok) return status;
    double largest = 0.0;
    for (int k = 0; k < 3; ++k)
        for (const double d : system.Solution(k)) largest = std::max(largest, std::fabs(d));
    if (largest > kExactMargin * accuracy_) return status;
    return system.Solve({.tolerance = SolveOptions{}.tolerance, .refine = true});
}

SolveStatus ForceDensitySystem::Solve(std::span<const double> q, std::span<const Vec3> loads,
                                      std::span<const Vec3> x, std::span<Vec3> result) {
    if (result.data() != x.data()) std::copy(x.begin(), x.end(), result.begin());
    if (!system_) return SolveStatus::Ok;  // no free node
    SparseSystem& system = *system_;
    const std::size_t n = nodeOf_.size();
    system.Zero();
    std::span<double> rhs[3] = {system.RightHandSide(0), system.RightHandSide(1),
                                system.RightHandSide(2)};
    for (std::size_t u = 0; u < n; ++u)
        for (int k = 0; k < 3; ++k) rhs[k][u] = loads[nodeOf_[u]][k];
    for (std::size_t b = 0; b < bars_.size(); ++b) {
        const auto& [first, second] = bars_[b];
        const std::int32_t ends[2] = {unknownOf_[first], unknownOf_[second]};
        const double density = q[b];
        const double ke[4] = {density, -density, -density, density};
        system.AddLocal(ends, ke);
        if (ends[0] >= 0 && ends[1] < 0) {  // the second end is held
            for (int k = 0; k < 3; ++k) rhs[k][ends[0]] += density * x[second][k];
        } else if (ends[1] >= 0 && ends[0] < 0) {
            for (int k = 0; k < 3; ++k) rhs[k][ends[1]] += density * x[first][k];
        }
    }
    if (const SolveStatus status = system.Factorize(); status != SolveStatus::Ok) return status;
    // An iterative solve's error is relative to what it solves for: solved for the
    // positions (some metres) its last digits would be lost at every iteration; solved for
    // their change from x, K d = F - K x, the error is a small part of a small change.
    const bool correction = system.Iterative();
    std::vector<double> at(correction ? n : 0), product(at.size());
    if (correction)
        for (int k = 0; k < 3; ++k) {
            for (std::size_t u = 0; u < n; ++u) at[u] = x[nodeOf_[u]][k];
            system.Multiply(at, product);
            for (std::size_t u = 0; u < n; ++u) rhs[k][u] -= product[u];
        }
    if (const SolveStatus status = SolveChange(); status != SolveStatus::Ok) return status;
    for (int k = 0; k < 3; ++k) {
        const std::span<const double> solution = system.Solution(k);
        for (std::size_t u = 0; u < n; ++u)
            result[nodeOf_[u]][k] = correction ? result[nodeOf_[u]][k] + solution[u] : solution[u];
    }
    return SolveStatus::Ok;
}

}  // namespace membrane
