// Every figure the report, the result files and the summary of a form-finding run show,
// for the run shell's check that each is a finite number (shell/finite_figures.h).
#pragma once

#include <span>

#include "form/form_model.h"
#include "form/form_solution.h"
#include "shell/finite_figures.h"

namespace membrane {

void ListFormFigures(FiniteFigures& figures, const FormModel& model, const FormSolution& solution,
                     std::span<const FormStepRecord> history);

}  // namespace membrane
