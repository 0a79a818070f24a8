#include "linalg/anderson_acceleration.h"

#include <algorithm>
#include <cmath>

namespace membrane {
namespace {

double Dot(std::span<const double> a, std::span<const double> b) {
    double sum = 0.0;
    for (std::size_t i = 0; i < a.size(); ++i) sum += a[i] * b[i];
    return sum;
}

}  // namespace

void AndersonAcceleration::Reset() {
    lastX_.clear();
    lastG_.clear();
    differencesF_.clear();
    differencesG_.clear();
}

void AndersonAcceleration::Next(std::span<const double> x, std::span<const double> g,
                                std::span<double> next) {
    const std::size_t n = x.size();
    std::copy(g.begin(), g.end(), next.begin());
    if (!lastX_.empty() && depth_ > 0) {
        std::vector<double> df(n), dg(n);
        for (std::size_t i = 0; i < n; ++i) {
            dg[i] = g[i] - lastG_[i];
            df[i] = dg[i] - (x[i] - lastX_[i]);
        }
        differencesF_.push_back(std::move(df));
        differencesG_.push_back(std::move(dg));
        if (differencesF_.size() > depth_) {
            differencesF_.pop_front();
            differencesG_.pop_front();
        }
    }
    lastX_.assign(x.begin(), x.end());
    lastG_.assign(g.begin(), g.end());
    if (differencesF_.empty()) return;

    // QR of the residual differences by modified Gram-Schmidt, newest first so that a
    // dependent column dropped is an old one.
    const std::size_t m = differencesF_.size();
    std::vector<std::vector<double>> q;
    std::vector<std::vector<double>> r(m, std::vector<double>(m, 0.0));
    std::vector<std::size_t> kept;
    for (std::size_t c = 0; c < m; ++c) {
        const std::size_t column = m - 1 - c;
        std::vector<double> v = differencesF_[column];
        const double original = std::sqrt(Dot(v, v));
        std::vector<double> coefficients;
        for (const auto& basis : q) {
            const double h = Dot(basis, v);
            coefficients.push_back(h);
            for (std::size_t i = 0; i < n; ++i) v[i] -= h * basis[i];
        }
        const double length = std::sqrt(Dot(v, v));
        if (!(length > 1e-10 * original)) continue;
        for (double& value : v) value /= length;
        for (std::size_t k = 0; k < coefficients.size(); ++k) r[k][q.size()] = coefficients[k];
        r[q.size()][q.size()] = length;
        q.push_back(std::move(v));
        kept.push_back(column);
    }
    if (q.empty()) return;
    // gamma = R^-1 Q^T f, f the current residual g - x.
    std::vector<double> f(n);
    for (std::size_t i = 0; i < n; ++i) f[i] = g[i] - x[i];
    const std::size_t k = q.size();
    std::vector<double> gamma(k);
    for (std::size_t j = 0; j < k; ++j) gamma[j] = Dot(q[j], f);
    for (std::size_t j = k; j-- > 0;) {
        for (std::size_t l = j + 1; l < k; ++l) gamma[j] -= r[j][l] * gamma[l];
        gamma[j] /= r[j][j];
    }
    for (std::size_t j = 0; j < k; ++j) {
        const std::vector<double>& dg = differencesG_[kept[j]];
        for (std::size_t i = 0; i < n; ++i) next[i] -= gamma[j] * dg[i];
    }
}

}  // namespace membrane
