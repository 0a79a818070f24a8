#include "heightfield/balance_check.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

#include "heightfield/elimination_cost.h"
#include "heightfield/newton_system.h"

namespace membrane {

BalanceCheck CheckBalance(const Model& model, std::span<const double> heights, double accuracy) {
    BalanceCheck check;
    // The elimination where it is cheap, sparse Cholesky otherwise (no multigrid: one
    // exact step is wanted, whatever the size).
    NewtonSystem::Made made;
    std::unique_ptr<NewtonSystem> solver;
    if (PredictEliminationCost(model, kAutoEliminationWork).overLimit)
        solver = NewtonSystem::Create(SolverChoice::Cholmod, model, accuracy, made);
    if (!solver) solver = NewtonSystem::Create(SolverChoice::Elimination, model, accuracy, made);
    if (!solver) return check;
    solver->Assemble(heights);
    if (solver->Solve() != SolveStatus::Ok) return check;
    std::vector<double> increments(heights.size(), 0.0);
    solver->Increments(increments);
    if (increments.empty()) return check;
    const auto [smallest, largest] = std::minmax_element(increments.begin(), increments.end());
    check.solved = std::isfinite(*smallest) && std::isfinite(*largest);
    check.largest = *largest;
    check.smallest = *smallest;
    check.converged = check.solved && 2 * accuracy >= std::fabs(*largest) + std::fabs(*smallest);
    return check;
}

}  // namespace membrane
