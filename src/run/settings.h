// The numbers and choices that steer a run. In memory only; every program start begins
// from the defaults.
#pragma once

namespace membrane {

enum class SolverChoice {
    Elimination,  // the built-in sparse elimination
    Cholmod,      // sparse Cholesky (SuiteSparse CHOLMOD), for large models
};

struct Settings {
    double accuracy =
        0.001;               // a run converges when |max| + |min| of the increments <= 2 * accuracy
    int maxIterations = 10;  // upper bound on the Newton iterations
    double weight = 1.0;     // membrane weight in kN/m^2, used only for the truss loads
    SolverChoice solver = SolverChoice::Elimination;
};

}  // namespace membrane
