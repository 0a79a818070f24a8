// A form-finding run on a worker thread of its own, as background_run.h does for a
// height-field run: the run's view calls and messages are carried over to the GUI thread
// (queued, in order; a message box waits for the user), Cancel on the window sets the flag
// the run looks at, the progress hook of background_run.h sees every progress line.
#pragma once

#include <memory>

#include "common/messages.h"
#include "form/form_result.h"

namespace membrane {

class FormResultsWindow;

// A model file read, form-found and its result files written (RunForm).
FormRunResult RunFormInBackground(const FormRequest& request, MessageSink& messages,
                                  FormResultsWindow& window);
// A model already loaded form-found, nothing written (FindForm: "Run again").
FormRunResult FindFormInBackground(std::shared_ptr<const FormModel> model, MessageSink& messages,
                                   FormResultsWindow& window);

}  // namespace membrane
