// A slot's work, guarded: an exception must not leave a slot (Qt would end the program),
// so one that reaches here (memory running out, an error of the program) is shown in a
// message box instead and the window goes on.
#pragma once

#include <exception>
#include <new>
#include <string>

#include "common/messages.h"

namespace membrane {

template <typename Work>
void Guarded(MessageSink& messages, Work&& work) noexcept {
    try {
        try {
            work();
        } catch (const std::bad_alloc&) {
            messages.Show("There is not enough memory for this.", MessageKind::Error,
                          "Out of memory");
        } catch (const std::exception& error) {
            messages.Show(std::string("An error of the program: ") + error.what(),
                          MessageKind::Error, "Internal error");
        }
    } catch (...) {
        // Showing the message failed as well: nothing more can be done here.
    }
}

}  // namespace membrane
