#include "linalg/sparse_system_factory.h"

#include "linalg/amg_system.h"
#include "linalg/cholmod_system.h"
#include "linalg/elimination_cost.h"
#include "linalg/elimination_system.h"

namespace membrane {

SolverChoice ResolveSolverChoice(SolverChoice choice, const SparsePattern& pattern,
                                 std::string* note, double eliminationWork) {
    if (choice != SolverChoice::Auto) return choice;
    const double work = eliminationWork >= 0.0
                            ? eliminationWork
                            : PredictEliminationCost(pattern, kAutoEliminationWork).multiplyAdds;
    if (work <= kAutoEliminationWork) return SolverChoice::Elimination;
    if (pattern.Size() > kAutoMultigridUnknowns && AmgSystem::Available()) return SolverChoice::Amg;
    if (CholmodSystem::Available()) return SolverChoice::Cholmod;
    if (note) *note = "sparse Cholesky solver not in this build: the built-in elimination runs";
    return SolverChoice::Elimination;
}

std::unique_ptr<SparseSystem> CreateSparseSystem(SolverChoice choice,
                                                 std::shared_ptr<const SparsePattern> pattern,
                                                 SystemOptions options) {
    switch (choice) {
        case SolverChoice::Cholmod:
            return CholmodSystem::Create(std::move(pattern), std::move(options));
        case SolverChoice::Amg:
            return AmgSystem::Create(std::move(pattern), std::move(options));
        case SolverChoice::Elimination:
        case SolverChoice::Auto:
            break;
    }
    return std::make_unique<EliminationSystem>(std::move(pattern), std::move(options));
}

SolveStatus UnavailableStatus(SolverChoice choice) {
    return choice == SolverChoice::Amg ? SolveStatus::MultigridUnavailable
                                       : SolveStatus::Unavailable;
}

}  // namespace membrane
