// Where a run's exceptions stop: whatever the work throws ends the run as failed, with a
// message box, instead of leaving the run layer. Shared by the height-field run and the
// form-finding run (any result with `outcome`, `reason` and `solution`).
#pragma once

#include <exception>
#include <new>
#include <string>

#include "common/io_error.h"
#include "common/messages.h"
#include "shell/run_outcome.h"

namespace membrane {

// Runs `work`; the objects of the run are gone (their memory given back, their threads
// ended) before the message.
template <typename Result, typename Work>
void AtRunBoundary(Result& result, MessageSink& messages, Work&& work) {
    const auto fail = [&](RunOutcome outcome, const char* reason, const std::string& text,
                          const char* caption) {
        result.outcome = outcome;
        result.reason = reason;
        result.solution.reset();
        messages.Show(text, MessageKind::Error, caption);
    };
    try {
        work();
    } catch (const IoError& error) {
        fail(RunOutcome::OutputFailure, "input/output error", error.what(), "Input/output error");
    } catch (const std::bad_alloc&) {
        fail(RunOutcome::OutOfMemory, "out of memory", "There is not enough memory for this run.",
             "Out of memory");
    } catch (const std::exception& error) {
        fail(RunOutcome::InternalError, "internal error",
             std::string("The run stopped on an error of the program: ") + error.what(),
             "Internal error");
    } catch (...) {
        fail(RunOutcome::InternalError, "internal error",
             "The run stopped on an error of the program.", "Internal error");
    }
}

}  // namespace membrane
