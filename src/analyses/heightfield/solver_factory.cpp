#include "heightfield/solver_factory.h"

#include "heightfield/amg_solver.h"
#include "heightfield/cholmod_solver.h"
#include "heightfield/elimination_solver.h"

namespace membrane {
namespace {

// A node and its two triangles take 120 to 170 bytes in a model file: files above the
// first size (some 3300 nodes) hold meshes on which the elimination's work is nearly always
// above kAutoEliminationWork, files above the second hold more than kAutoMultigridNodes
// unless their numbers are written unusually wide (then the sparse Cholesky solver works
// its ordering out itself).
constexpr std::size_t kAutoOrderingBytes = 400'000;
constexpr std::size_t kAutoMultigridBytes = std::size_t{kAutoMultigridNodes} * 200;

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
