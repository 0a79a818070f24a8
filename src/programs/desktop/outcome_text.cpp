#include "desktop/outcome_text.h"

#include <string>

#include "common/file_names.h"

namespace membrane {
namespace {

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

// The run layer's reason, up to the command line's hint (the window gives its own).
std::string WithoutHint(const std::string& reason) {
    const std::size_t hint = reason.find(": try the line search");
    return hint == std::string::npos ? reason : reason.substr(0, hint);
}

bool FilesNotWritten(const RunResult& result) {
    return result.outcome == RunOutcome::OutputFailure && result.solution != nullptr;
}

bool Refused(const RunResult& result) {
    return result.outcome == RunOutcome::OutputFailure && result.reason == "output file refused";
}

}  // namespace

QString OutcomeLine(const RunResult& result) {
    switch (result.outcome) {
        case RunOutcome::Success:
            return Q("READY, output to file : " + ExtractFileName(result.reportFile)) +
                   (result.converged ? QString() : QString(" (iteration limit reached)"));
        case RunOutcome::InputErrors:
            return "input errors: the model did not load (see the messages)";
        case RunOutcome::Diverged: {
            QString line = Q("diverged: " + WithoutHint(result.reason));
            if (result.settings.newton == NewtonStep::Pure)
                line +=
                    ": try the line search (Newton step \"damped\" or \"auto\" in "
                    "File > Defaults)";
            return line;
        }
        case RunOutcome::SolverFailure:
            return Q("solver failure: " + result.reason);
        case RunOutcome::Cancelled:
            return Q(result.reason);  // "cancelled by the user in iteration 3"
        case RunOutcome::OutputFailure:
            if (FilesNotWritten(result))
                return "the membrane is computed, but its files could not be written: "
                       "Save results as... writes them to another folder";
            if (Refused(result)) return "output refused: the run did not start (see the message)";
            if (!result.model || !result.model->complete)
                return "the model file could not be read (see the message)";
            return Q("input/output error: a file could not be read or written");
        case RunOutcome::OutOfMemory:
            return "out of memory: the computer's memory ran out";
        case RunOutcome::InternalError:
            return Q("error of the program: " + result.reason);
    }
    return {};
}

QString OutcomeState(const RunResult& result) {
    switch (result.outcome) {
        case RunOutcome::Success:
            return {};
        case RunOutcome::InputErrors:
            return "input errors, no results";
        case RunOutcome::Diverged:
            return "diverged, no results";
        case RunOutcome::SolverFailure:
            return "solver failure, no results";
        case RunOutcome::Cancelled:
            return "cancelled, no results";
        case RunOutcome::OutputFailure:
            if (FilesNotWritten(result)) return "files not written";
            if (Refused(result)) return "output refused, no results";
            return "file error, no results";
        case RunOutcome::OutOfMemory:
            return "out of memory, no results";
        case RunOutcome::InternalError:
            return "error of the program, no results";
    }
    return {};
}

}  // namespace membrane
