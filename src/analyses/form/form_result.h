// What a form-finding run hands back: how it ended, the model it read and the shape it
// found, step by step.
#pragma once

#include <atomic>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "form/form_model.h"
#include "form/form_solution.h"
#include "linalg/sparse_system.h"
#include "shell/run_record.h"

namespace membrane {

struct FormRequest {
    std::string modelFileName;  // a form model (.toml) or a plan model (.DAT)
    // For a plan model: the prestress of its one membrane region (kN/m).
    double stress = 1.0;
    // Instead of the model file's.
    std::optional<double> accuracy;
    std::optional<int> maxIterations;
    std::optional<SolverChoice> solver;
    // The ParaView and Gmsh results as text instead of binary.
    bool textResults = false;
    // Files the caller writes afterwards (exports): checked with the run's own first.
    std::vector<std::string> otherOutputs;
    const std::atomic<bool>* cancel = nullptr;
};

// The outcome: Success, converged or at the iteration limit (then a warning); Diverged: no
// equilibrium (the reason says where and why); the others as for a height-field run.
struct FormRunResult : RunRecord {
    int iterations = 0;
    std::vector<FormStepRecord> history;
    int factorizations = 0;                    // numeric factorizations of the equilibrium's matrix
    SolverChoice solver = SolverChoice::Auto;  // the back-end that ran (auto resolved)
    SolveCounts solves;

    std::shared_ptr<const FormModel> model;
    // Also the last shape of a run without an equilibrium, and the shape of a run whose
    // files could not be written.
    std::shared_ptr<const FormSolution> solution;
    // The ParaView and the Gmsh results beside the report (the record's reportFile).
    std::string resultsFile, gmshFile;
};

}  // namespace membrane
