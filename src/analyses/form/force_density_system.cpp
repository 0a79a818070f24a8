#include "form/force_density_system.h"

#include <algorithm>

#include "linalg/sparse_cholesky.h"

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
    const auto n = static_cast<std::int32_t>(nodeOf_.size());

    // The upper triangle's entries, column by column: each column's rows ascending with
    // the diagonal last.
    std::vector<std::vector<std::int32_t>> rows(n);
    for (const auto& [a, b] : bars_) {
        const std::int32_t u = unknownOf_[a], v = unknownOf_[b];
        if (u >= 0 && v >= 0) rows[std::max(u, v)].push_back(std::min(u, v));
    }
    UpperPattern pattern;
    pattern.n = n;
    pattern.columnStart.assign(n + 1, 0);
    for (std::int32_t j = 0; j < n; ++j) {
        auto& column = rows[j];
        column.push_back(j);
        std::sort(column.begin(), column.end());
        column.erase(std::unique(column.begin(), column.end()), column.end());
        pattern.columnStart[j + 1] =
            pattern.columnStart[j] + static_cast<std::int32_t>(column.size());
    }
    pattern.rowIndex.reserve(pattern.columnStart[n]);
    for (const auto& column : rows)
        pattern.rowIndex.insert(pattern.rowIndex.end(), column.begin(), column.end());
    rows.clear();
    rows.shrink_to_fit();

    const auto at = [&pattern](std::int32_t row, std::int32_t column) {
        const auto begin = pattern.rowIndex.begin() + pattern.columnStart[column];
        const auto end = pattern.rowIndex.begin() + pattern.columnStart[column + 1];
        return static_cast<std::int32_t>(std::lower_bound(begin, end, row) -
                                         pattern.rowIndex.begin());
    };
    position_.reserve(bars_.size());
    for (const auto& [a, b] : bars_) {
        const std::int32_t u = unknownOf_[a], v = unknownOf_[b];
        position_.push_back({u >= 0 ? at(u, u) : -1, v >= 0 ? at(v, v) : -1,
                             u >= 0 && v >= 0 ? at(std::min(u, v), std::max(u, v)) : -1});
    }
    cholesky_ = std::make_unique<SparseCholesky>(std::move(pattern));
    rhs_.resize(3 * static_cast<std::size_t>(n));
}

ForceDensitySystem::~ForceDensitySystem() = default;

void ForceDensitySystem::SetCancelFlag(const std::atomic<bool>* flag) {
    cholesky_->SetCancelFlag(flag);
}

int ForceDensitySystem::Factorizations() const {
    return cholesky_->Factorizations();
}

SolveStatus ForceDensitySystem::Solve(std::span<const double> q, std::span<const Vec3> loads,
                                      std::span<const Vec3> x, std::span<Vec3> result) {
    const std::size_t n = nodeOf_.size();
    const std::span<double> values = cholesky_->Values();
    if (values.empty() && n > 0) return SolveStatus::Unavailable;
    std::fill(values.begin(), values.end(), 0.0);
    for (std::size_t u = 0; u < n; ++u)
        for (int k = 0; k < 3; ++k) rhs_[k * n + u] = loads[nodeOf_[u]][k];
    for (std::size_t b = 0; b < bars_.size(); ++b) {
        const auto& [first, second] = bars_[b];
        const auto& [diagonalFirst, diagonalSecond, between] = position_[b];
        const double density = q[b];
        if (diagonalFirst >= 0) values[diagonalFirst] += density;
        if (diagonalSecond >= 0) values[diagonalSecond] += density;
        if (between >= 0) {
            values[between] -= density;
        } else if (diagonalFirst >= 0) {  // the second end is held
            for (int k = 0; k < 3; ++k) rhs_[k * n + unknownOf_[first]] += density * x[second][k];
        } else if (diagonalSecond >= 0) {
            for (int k = 0; k < 3; ++k) rhs_[k * n + unknownOf_[second]] += density * x[first][k];
        }
    }
    if (result.data() != x.data()) std::copy(x.begin(), x.end(), result.begin());
    if (n == 0) return SolveStatus::Ok;
    if (const SolveStatus status = cholesky_->Factorize(); status != SolveStatus::Ok) return status;
    if (const SolveStatus status = cholesky_->Solve(rhs_, 3); status != SolveStatus::Ok)
        return status;
    for (std::size_t u = 0; u < n; ++u)
        for (int k = 0; k < 3; ++k) result[nodeOf_[u]][k] = rhs_[k * n + u];
    return SolveStatus::Ok;
}

}  // namespace membrane
