#include "run/solver_factory.h"

#include "solver/amg_solver.h"
#include "solver/cholmod_solver.h"
#include "solver/elimination_solver.h"

namespace membrane {
namespace {

// A node and its two triangles take 120 to 150 bytes in a model file: files above the
// first size may hold more than kAutoEliminationNodes nodes, files above the second
// certainly hold more than kAutoMultigridNodes.
constexpr std::size_t kAutoOrderingBytes = 400'000;
constexpr std::size_t kAutoMultigridBytes = std::size_t{kAutoMultigridNodes} * 150;

}  // namespace

bool MayUseCholmod(const Settings& settings, std::size_t fileBytes) {
    if (settings.solver == SolverChoice::Cholmod) return true;
    return settings.solver == SolverChoice::Auto && fileBytes > kAutoOrderingBytes &&
           fileBytes <= kAutoMultigridBytes;
}

std::unique_ptr<LinearSolver> CreateLinearSolver(SolverChoice choice, const Model& model,
                                                 std::unique_ptr<FillOrdering> ordering,
                                                 const Settings& settings) {
    switch (choice) {
        case SolverChoice::Cholmod:
            return CholmodSolver::Create(model, std::move(ordering));
        case SolverChoice::Amg:
            return AmgSolver::Create(model, settings.accuracy);
        case SolverChoice::Elimination:
        case SolverChoice::Auto:
            break;
    }
    return std::make_unique<EliminationSolver>(model);
}

}  // namespace membrane
