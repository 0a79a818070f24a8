// "membrane form": 3D form-finding of a form model (.toml) or a plan model (.DAT): the shape
// that carries the prestress with its cables and supports, its report and result files,
// and the outcome as the exit status (shell/exit_status.h: 0 converged, 1 with warnings,
// 2 input errors, 3 no equilibrium or results that are not finite, 4 solver failure, 5 a
// file that could not be read or written).
#pragma once

#include <CLI/CLI.hpp>
#include <optional>
#include <string>
#include <vector>

#include "linalg/solver_choice.h"

namespace membrane {

struct FormOptions {
    std::string model;
    double stress = 1.0;  // --prestress, for a plan model
    std::optional<double> accuracy;
    std::optional<int> maxIterations;
    SolverChoice solver = SolverChoice::Auto;
    bool textResults = false;
    bool quiet = false;
    bool history = false;
    bool timings = false;
    std::vector<std::string> exports;
};

CLI::App* AddFormCommand(CLI::App& app, FormOptions& options);
int FormCommand(const FormOptions& options);

}  // namespace membrane
