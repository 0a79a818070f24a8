#include "shell/run_boundary.h"

#include <exception>
#include <new>

#include "common/io_error.h"

namespace membrane {

RunFailure CurrentFailure() {
    try {
        throw;
    } catch (const IoError& error) {
        return {RunOutcome::OutputFailure, "input/output error", error.what(),
                "Input/output error"};
    } catch (const std::bad_alloc&) {
        return {RunOutcome::OutOfMemory, "out of memory",
                "There is not enough memory for this run.", "Out of memory"};
    } catch (const std::exception& error) {
        return {RunOutcome::InternalError, "internal error",
                std::string("The run stopped on an error of the program: ") + error.what(),
                "Internal error"};
    } catch (...) {
        return {RunOutcome::InternalError, "internal error",
                "The run stopped on an error of the program.", "Internal error"};
    }
}

}  // namespace membrane
