// The numbers and choices that steer a run. In memory only; every program start begins
// from the defaults.
#pragma once

#include <array>
#include <string_view>

#include "linalg/solver_choice.h"

namespace membrane {

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

// The names of the Newton choices, as the command line takes them and the stored settings keep
// them, in the order of the enumerations.
inline constexpr std::array<std::string_view, 3> kNewtonStepNames{"pure", "damped", "auto"};
inline constexpr std::array<std::string_view, 2> kStartHeightsNames{"file", "harmonic"};

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
