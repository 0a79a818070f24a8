#include "linalg/sparse_system.h"

#include <algorithm>

namespace membrane {

SparseSystem::SparseSystem(std::shared_ptr<const SparsePattern> pattern, SystemOptions options)
    : pattern_(std::move(pattern)), options_(std::move(options)) {
    const auto n = static_cast<std::size_t>(pattern_->Size());
    rhs_.assign(n, 0.0);
    solution_.assign(n, 0.0);
    pinned_.assign(n, 0);
    touched_.assign(n, 0);
}

void SparseSystem::Zero() {
    ZeroMatrix();
    std::fill(rhs_.begin(), rhs_.end(), 0.0);
    std::fill(pinned_.begin(), pinned_.end(), 0);
    std::fill(touched_.begin(), touched_.end(), 0);
}

void SparseSystem::AddLocal(std::span<const std::int32_t> unknowns, std::span<const double> ke,
                            std::span<const double> fe) {
    if (!fe.empty())
        for (std::size_t i = 0; i < unknowns.size(); ++i) {
            const std::int32_t u = unknowns[i];
            if (u < 0 || fe[i] == 0.0) continue;
            rhs_[u] += fe[i];
            touched_[u] = 1;
        }
    AddMatrix(unknowns, ke);
}

void SparseSystem::SetDiagonal(std::int32_t unknown, double value) {
    pinned_[unknown] = 1;
    ReplaceDiagonal(unknown, value);
}

void SparseSystem::SetColumns(int columns) {
    columns_ = std::max(columns, 1);
    const auto n = static_cast<std::size_t>(Size());
    rhs_.assign(n * static_cast<std::size_t>(columns_), 0.0);
    solution_.assign(n * static_cast<std::size_t>(columns_), 0.0);
}

std::span<double> SparseSystem::RightHandSide(int column) {
    const auto n = static_cast<std::size_t>(Size());
    return {rhs_.data() + n * static_cast<std::size_t>(column), n};
}

std::span<const double> SparseSystem::RightHandSide(int column) const {
    const auto n = static_cast<std::size_t>(Size());
    return {rhs_.data() + n * static_cast<std::size_t>(column), n};
}

std::span<const double> SparseSystem::Solution(int column) const {
    const auto n = static_cast<std::size_t>(Size());
    return {solution_.data() + n * static_cast<std::size_t>(column), n};
}

bool SparseSystem::Floating() {
    if (floating_ < 0) {
        std::vector<char> grounded = pinned_;
        for (std::size_t k = 0; k < options_.grounded.size() && k < grounded.size(); ++k)
            grounded[k] = grounded[k] || options_.grounded[k];
        floating_ = HasFloatingPart(*pattern_, grounded) ? 1 : 0;
    }
    return floating_ == 1;
}

std::span<double> SparseSystem::SolutionStorage(int column) {
    const auto n = static_cast<std::size_t>(Size());
    return {solution_.data() + n * static_cast<std::size_t>(column), n};
}

}  // namespace membrane
