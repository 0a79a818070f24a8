// The iteration of a form-finding run, on a model already loaded and checked: see
// form_run.h for the method.
#pragma once

#include <atomic>

#include "common/messages.h"
#include "form/form_model.h"
#include "form/form_result.h"
#include "form/form_view.h"

namespace membrane {

// Sets the result's outcome, reason, warnings, iterations, history, timings and solution.
void FindFormOf(const FormModel& model, MessageSink& messages, FormView* view,
                const std::atomic<bool>* cancel, FormRunResult& result);

}  // namespace membrane
