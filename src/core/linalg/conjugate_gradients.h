// Preconditioned conjugate gradients for a symmetric positive definite system A x = b,
// preconditioned by M, a matrix close to A whose inverse is cheap to apply (here the
// Cholesky factor of an earlier Newton step's system).
//
// With r = b - A x and z = M^-1 r, the product r.z is about r.A^-1.r = |x* - x|_A^2 when M
// is close to A. The iteration stops when r.z has fallen to tolerance^2 times its value at
// x = 0, i.e. when the error in the energy norm is about `tolerance` times the solution's.
//
// A solve can go on from where a looser one stopped (ConjugateGradientLimits::reference):
// inexact Newton steps that turn out to need the exact step.
//
// It gives up (converged false, x not to be used) as soon as the rate of the first
// iterations says it would need more than `maxIterations`, when p.Ap is not positive (A is
// not positive definite, or rounding has taken over) or a number is not finite, when the
// preconditioner fails, or when `cancelled` says so.
#pragma once

#include <functional>
#include <span>

namespace membrane {

struct ConjugateGradientLimits {
    double tolerance = 1e-10;
    int maxIterations = 10;
    // Nonzero: go on from the x given (a solve to a looser tolerance left it) instead of
    // from x = 0, towards the same goal relative to x = 0; the value is that solve's
    // `reference`.
    double reference = 0.0;
};

struct ConjugateGradientResult {
    bool converged = false;
    int iterations = 0;      // applications of A
    double reference = 0.0;  // r.z at x = 0, b.M^-1.b, which the goal is relative to
};

// q = A p
using MatrixProduct = std::function<void(std::span<const double> p, std::span<double> q)>;
// z = M^-1 r; false when it could not be applied.
using Preconditioner = std::function<bool(std::span<const double> r, std::span<double> z)>;

ConjugateGradientResult PreconditionedConjugateGradients(
    const MatrixProduct& multiply, const Preconditioner& precondition, std::span<const double> b,
    std::span<double> x, const ConjugateGradientLimits& limits,
    const std::function<bool()>& cancelled = {});

}  // namespace membrane
