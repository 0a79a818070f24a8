// The numbers and choices that steer a run. In memory only; every program start begins
// from the defaults.
#pragma once

#include <array>
#include <string_view>

namespace membrane {

enum class SolverChoice {
    Elimination,  // the built-in sparse elimination
    Cholmod,      // sparse Cholesky (SuiteSparse CHOLMOD), for large models
    Amg,          // conjugate gradients with algebraic multigrid (hypre), for the largest
    Auto,         // the elimination where its predicted work is small, multigrid above
                  // kAutoMultigridNodes nodes, sparse Cholesky between
};

// The predicted work of one elimination (multiply-adds, solver/elimination_cost.h) up to
// which auto takes the built-in elimination, with the classic program's results to the
// bit. At about 4.5 ns a multiply-add that is some 5 ms a solve, where sparse Cholesky
// spends about as long setting up (its ordering, its symbolic factorization, its threads);
// above it sparse Cholesky is faster. The work depends on the mesh and on the node
// numbering, not on the node count alone: 2e4 for the bundled example, 2e9 for a
// 3600-node mesh numbered as a mesher leaves it, 2e7 for the same mesh as the import
// numbers it.
constexpr double kAutoEliminationWork = 1e6;
// Above this many nodes the multigrid solver takes less time than sparse Cholesky (on this
// 2-core machine the two cross at about 15000 nodes of a catenoid: bench/README.md).
constexpr int kAutoMultigridNodes = 20000;

// How far each Newton step goes along its increment du.
enum class NewtonStep {
    Pure,    // the whole increment, always (the classic iteration; may run off to infinity)
    Damped,  // the step length that minimises the area along du, at most 1
    Auto,    // pure; when that runs off to infinity, once more from the harmonic start, damped
};

// Where the free heights start.
enum class StartHeights {
    File,      // the model file's "&INITIAL" heights
    Harmonic,  // the discrete harmonic extension of the held heights
};

// The names of the choices, as the command line takes them and the stored settings keep
// them, in the order of the enumerations.
inline constexpr std::array<std::string_view, 4> kSolverChoiceNames{"elimination", "cholmod", "amg",
                                                                    "auto"};
inline constexpr std::array<std::string_view, 3> kNewtonStepNames{"pure", "damped", "auto"};
inline constexpr std::array<std::string_view, 2> kStartHeightsNames{"file", "harmonic"};

constexpr std::string_view ChoiceName(SolverChoice choice) {
    return kSolverChoiceNames[static_cast<int>(choice)];
}
constexpr std::string_view ChoiceName(NewtonStep choice) {
    return kNewtonStepNames[static_cast<int>(choice)];
}
constexpr std::string_view ChoiceName(StartHeights choice) {
    return kStartHeightsNames[static_cast<int>(choice)];
}

struct Settings {
    double accuracy =
        0.001;               // a run converges when |max| + |min| of the increments <= 2 * accuracy
    int maxIterations = 10;  // upper bound on the Newton iterations
    double weight = 1.0;     // membrane weight in kN/m^2, used only for the truss loads
    SolverChoice solver = SolverChoice::Auto;
    NewtonStep newton = NewtonStep::Auto;
    StartHeights start = StartHeights::File;
};

}  // namespace membrane
