#include "linalg/conjugate_gradients.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <vector>

namespace membrane {

namespace {

double Dot(std::span<const double> a, std::span<const double> b) {
    return std::inner_product(a.begin(), a.end(), b.begin(), 0.0);
}

}  // namespace

ConjugateGradientResult PreconditionedConjugateGradients(const MatrixProduct& multiply,
                                                         const Preconditioner& precondition,
                                                         std::span<const double> b,
                                                         std::span<double> x,
                                                         const ConjugateGradientLimits& limits,
                                                         const std::function<bool()>& cancelled) {
    ConjugateGradientResult result;
    const std::size_t n = b.size();
    std::vector<double> r(b.begin(), b.end()), z(n), p(n), q(n);
    const bool goOn = limits.reference > 0.0;
    if (goOn) {  // r = b - A x
        multiply(x, q);
        ++result.iterations;
        for (std::size_t k = 0; k < n; ++k) r[k] -= q[k];
    } else {
        std::fill(x.begin(), x.end(), 0.0);
    }
    if (!precondition(r, z)) return result;
    double rz = Dot(r, z);
    const double start = rz;
    if (!std::isfinite(start) || start < 0.0) return result;
    result.reference = goOn ? limits.reference : start;
    const double goal = limits.tolerance * limits.tolerance * result.reference;
    if (start <= goal) {  // b = 0, or x is good enough already
        result.converged = true;
        return result;
    }
    std::copy(z.begin(), z.end(), p.begin());
    while (result.iterations < limits.maxIterations) {
        if (cancelled && cancelled()) return result;
        multiply(p, q);
        ++result.iterations;
        const double pq = Dot(p, q);
        if (!(pq > 0.0) || !std::isfinite(pq)) return result;
        const double alpha = rz / pq;
        for (std::size_t k = 0; k < n; ++k) {
            x[k] += alpha * p[k];
            r[k] -= alpha * q[k];
        }
        if (!precondition(r, z)) return result;
        const double next = Dot(r, z);
        if (!std::isfinite(next) || next < 0.0) return result;
        if (next <= goal) {
            result.converged = true;
            return result;
        }
        // r.z falls about geometrically: at the rate of the iterations so far, the goal
        // is reached after log(goal/start) / log(rate) iterations in all.
        const double fallen = next / start;
        if ((fallen >= 1.0 ||
             result.iterations * std::log(goal / start) / std::log(fallen) > limits.maxIterations))
            return result;
        const double beta = next / rz;
        rz = next;
        for (std::size_t k = 0; k < n; ++k) p[k] = z[k] + beta * p[k];
    }
    return result;
}

}  // namespace membrane
