#include "shell/exit_status.h"

namespace membrane {

int ExitStatusOf(RunOutcome outcome, bool warnings) {
    switch (outcome) {
        case RunOutcome::Success:
            return warnings ? kExitWarnings : kExitSuccess;
        case RunOutcome::InputErrors:
            return kExitInputErrors;
        case RunOutcome::Diverged:
            return kExitDiverged;
        case RunOutcome::SolverFailure:
        case RunOutcome::OutOfMemory:
            return kExitSolverFailure;
        case RunOutcome::Cancelled:
        case RunOutcome::OutputFailure:
            return kExitOutputFailure;
        case RunOutcome::InternalError:
            return kExitAborted;
    }
    return kExitAborted;
}

}  // namespace membrane
