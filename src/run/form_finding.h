// The iteration of a form-finding run, on a model already loaded and checked: see
// form_run.h for the method.
#pragma once

#include <atomic>

#include "common/messages.h"
#include "model/form_model.h"
#include "run/form_result.h"
#include "run/form_view.h"

namespace membrane {

// Sets the result's outcome, reason, warnings, iterations, history, timings and solution.
void FindFormOf(const FormModel& model, MessageSink& messages, FormView* view,
                const std::atomic<bool>* cancel, FormRunResult& result);

}  // namespace membrane
