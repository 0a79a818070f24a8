// Which back-end solves a sparse system, as the user chooses it (the command line's
// --solver, the stored settings) and as `auto` resolves it for a given system.
#pragma once

#include <array>
#include <string_view>

namespace membrane {

enum class SolverChoice {
    Elimination,  // the built-in sparse elimination
    Cholmod,      // sparse Cholesky (SuiteSparse CHOLMOD), for large systems
    Amg,          // conjugate gradients with algebraic multigrid (hypre), for the largest
    Auto,         // the elimination where its predicted work is small, multigrid above
                  // kAutoMultigridUnknowns unknowns, sparse Cholesky between
};

// The predicted work of one elimination (multiply-adds, linalg/elimination_cost.h) up to
// which auto takes the built-in elimination, with the classic program's results to the
// bit. At about 4.5 ns a multiply-add that is some 5 ms a solve, where sparse Cholesky
// spends about as long setting up (its ordering, its symbolic factorization, its threads);
// above it sparse Cholesky is faster. The work depends on the mesh and on the numbering
// of its unknowns, not on their count alone: 2e4 for the bundled example, 2e9 for a
// 3600-node mesh numbered as a mesher leaves it, 2e7 for the same mesh as the import
// numbers it.
constexpr double kAutoEliminationWork = 1e6;
// Above this many unknowns the multigrid solver takes less time than sparse Cholesky (on
// a 2-core machine the two cross at about 15000 nodes of a catenoid: bench/README.md).
constexpr int kAutoMultigridUnknowns = 20000;

// The names of the choices, as the command line takes them and the stored settings keep
// them, in the order of the enumeration.
inline constexpr std::array<std::string_view, 4> kSolverChoiceNames{"elimination", "cholmod", "amg",
                                                                    "auto"};

constexpr std::string_view ChoiceName(SolverChoice choice) {
    return kSolverChoiceNames[static_cast<int>(choice)];
}

}  // namespace membrane
