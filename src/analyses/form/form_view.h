// How a form-finding run reports to whoever watches it (the results window of the desktop
// program, the command line's progress lines). Every call may be left out. The model and
// the solution handed over do not change afterwards.
#pragma once

#include <memory>
#include <string>

#include "form/form_model.h"
#include "form/form_solution.h"
#include "shell/run_view.h"

namespace membrane {

// The progress lines (RunView::ShowMessage): "Open ...", "ITERATION n : Force densities",
// "ITERATION n : Solve", "READY, output to file : NAME.form.txt", "ERRORS reported ...".
class FormView : public RunView {
  public:
    // The model as loaded and checked.
    virtual void ShowModel(std::shared_ptr<const FormModel> model) { (void)model; }
    // The shape found (also that of a run that ended without an equilibrium, for the view
    // to show where it failed; `solution->converged` tells).
    virtual void ShowResults(std::shared_ptr<const FormSolution> solution) { (void)solution; }
};

}  // namespace membrane
