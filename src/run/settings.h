// The numbers and choices that steer a run. In memory only; every program start begins
// from the defaults.
#pragma once

namespace membrane {

enum class SolverChoice {
    Elimination,  // the built-in sparse elimination
    Cholmod,      // sparse Cholesky (SuiteSparse CHOLMOD), for large models
    Auto,         // the elimination up to kAutoEliminationNodes nodes, sparse Cholesky above
};

// The solver's name on the command line, in its summary and in the results window.
constexpr const char* SolverName(SolverChoice solver) {
    switch (solver) {
        case SolverChoice::Elimination:
            return "elimination";
        case SolverChoice::Cholmod:
            return "cholmod";
        case SolverChoice::Auto:
            break;
    }
    return "auto";
}

// Up to this many nodes the built-in elimination is fast (well under a second a step) and
// gives the classic program's results to the bit; above it its time grows as n^2.
constexpr int kAutoEliminationNodes = 5000;

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
