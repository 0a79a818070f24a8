// Anderson acceleration of a fixed-point iteration x <- G(x) (Anderson 1965; in the form
// of Walker & Ni, "Anderson acceleration for fixed-point iterations", SIAM J. Numer. Anal.
// 49, 2011): from the last m + 1 iterates x_i and their images g_i = G(x_i), with residuals
// f_i = g_i - x_i, the next iterate is
//
//   x+ = g_k - sum_j gamma_j (g_{j+1} - g_j),   gamma = argmin |f_k - sum_j gamma_j (f_{j+1} -
//   f_j)|,
//
// the least-squares problem solved by a QR factorization of the differences (modified
// Gram-Schmidt; differences that add nothing new are dropped). For an iteration that
// converges linearly, because a few of its modes contract slowly, this takes out those
// modes as a Krylov method would, at the price of m vectors of memory.
//
// Why here: the cotangent-weight iteration of the form-finding converges in the normal
// direction within a few steps but its slowest modes (the neck of a catenoid near its
// largest height, nodes sliding along the surface) contract by little per step; with
// m = 5 the iterations fall from hundreds to a few dozen.
#pragma once

#include <cstddef>
#include <deque>
#include <span>
#include <vector>

namespace membrane {

class AndersonAcceleration {
  public:
    explicit AndersonAcceleration(std::size_t depth) : depth_(depth) {}

    // Takes the iterate x and its image g = G(x); writes the next iterate into `next`.
    // Without history (the first call, or after Reset) that is g itself.
    void Next(std::span<const double> x, std::span<const double> g, std::span<double> next);

    // Forgets the history: the next iterate is the plain image again.
    void Reset();

  private:
    std::size_t depth_;
    std::vector<double> lastX_, lastG_;
    std::deque<std::vector<double>> differencesF_, differencesG_;
};

}  // namespace membrane
