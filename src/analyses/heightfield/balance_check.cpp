#include "heightfield/balance_check.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

#include "heightfield/cholmod_solver.h"
#include "heightfield/elimination_cost.h"
#include "heightfield/elimination_solver.h"
#include "heightfield/settings.h"

namespace membrane {

BalanceCheck CheckBalance(const Model& model, std::span<const double> heights, double accuracy) {
    BalanceCheck check;
    std::unique_ptr<LinearSolver> solver;
    if (PredictEliminationCost(model, kAutoEliminationWork).overLimit)
        solver = CholmodSolver::Create(model);
    if (!solver) solver = std::make_unique<EliminationSolver>(model);
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
