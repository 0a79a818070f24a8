// Conjugate gradients on an earlier factor: when it takes the step, and when it gives up
// so that the solver factorizes after all.
#include "linalg/conjugate_gradients.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace membrane {
namespace {

// The 1D Laplace matrix (2 on the diagonal, -1 beside it) times `scale`, plus `shift` on
// the diagonal.
MatrixProduct Laplace(double scale, double shift = 0.0) {
    return [scale, shift](std::span<const double> p, std::span<double> q) {
        const std::size_t n = p.size();
        for (std::size_t k = 0; k < n; ++k) {
            double sum = (2.0 * scale + shift) * p[k];
            if (k > 0) sum -= scale * p[k - 1];
            if (k + 1 < n) sum -= scale * p[k + 1];
            q[k] = sum;
        }
    };
}

// The exact inverse of the 1D Laplace matrix (Thomas algorithm) times 1/scale.
Preconditioner LaplaceInverse(double scale) {
    return [scale](std::span<const double> r, std::span<double> z) {
        const std::size_t n = r.size();
        std::vector<double> c(n), d(n);
        for (std::size_t k = 0; k < n; ++k) {
            const double pivot = 2.0 + (k > 0 ? c[k - 1] : 0.0);
            c[k] = -1.0 / pivot;
            d[k] = (r[k] / scale + (k > 0 ? d[k - 1] : 0.0)) / pivot;
        }
        for (std::size_t k = n; k-- > 0;) z[k] = d[k] - (k + 1 < n ? c[k] * z[k + 1] : 0.0);
        return true;
    };
}

double Residual(const MatrixProduct& a, std::span<const double> b, std::span<const double> x) {
    std::vector<double> ax(b.size());
    a(x, ax);
    double largest = 0.0;
    for (std::size_t k = 0; k < b.size(); ++k) largest = std::max(largest, std::fabs(ax[k] - b[k]));
    return largest;
}

TEST(ConjugateGradients, CloseFactorGivesTheStepInAFewIterations) {
    const std::size_t n = 200;
    std::vector<double> b(n), x(n);
    for (std::size_t k = 0; k < n; ++k) b[k] = std::sin(0.1 * static_cast<double>(k)) + 0.5;

    // The system itself as preconditioner: one iteration.
    auto exact = PreconditionedConjugateGradients(Laplace(1.0), LaplaceInverse(1.0), b, x, {});
    EXPECT_TRUE(exact.converged);
    EXPECT_EQ(exact.iterations, 1);
    EXPECT_LT(Residual(Laplace(1.0), b, x), 1e-10);

    // A system a little changed (as from one Newton step to the next): a few iterations,
    // to the full accuracy.
    auto close =
        PreconditionedConjugateGradients(Laplace(1.0, 1e-4), LaplaceInverse(1.0), b, x, {});
    EXPECT_TRUE(close.converged);
    EXPECT_LE(close.iterations, 6);
    EXPECT_LT(Residual(Laplace(1.0, 1e-4), b, x), 1e-8);  // |x| is about 5e3

    // b = 0: x = 0 at once.
    std::vector<double> zero(n, 0.0);
    EXPECT_TRUE(
        PreconditionedConjugateGradients(Laplace(1.0), LaplaceInverse(1.0), zero, x, {}).converged);
    EXPECT_EQ(x, zero);
}

TEST(ConjugateGradients, GivesUpWhereAFactorizationIsCheaper) {
    const std::size_t n = 200;
    std::vector<double> b(n, 1.0), x(n);
    // A poor preconditioner (the diagonal): the rate of the first iteration says far more
    // than the limit would be needed, so it stops there.
    const Preconditioner diagonal = [](std::span<const double> r, std::span<double> z) {
        for (std::size_t k = 0; k < r.size(); ++k) z[k] = r[k] / 2.0;
        return true;
    };
    auto poor = PreconditionedConjugateGradients(Laplace(1.0), diagonal, b, x, {});
    EXPECT_FALSE(poor.converged);
    EXPECT_EQ(poor.iterations, 1);

    // A matrix that is not positive definite any more, a failing preconditioner, a cancel.
    EXPECT_FALSE(
        PreconditionedConjugateGradients(Laplace(-1.0), LaplaceInverse(1.0), b, x, {}).converged);
    const Preconditioner failing = [](std::span<const double>, std::span<double>) { return false; };
    EXPECT_FALSE(PreconditionedConjugateGradients(Laplace(1.0), failing, b, x, {}).converged);
    auto cancelled = PreconditionedConjugateGradients(Laplace(1.0, 1e-4), LaplaceInverse(1.0), b, x,
                                                      {}, [] { return true; });
    EXPECT_FALSE(cancelled.converged);
    EXPECT_EQ(cancelled.iterations, 0);
}

}  // namespace
}  // namespace membrane
