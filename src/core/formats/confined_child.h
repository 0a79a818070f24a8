// Work on untrusted input done in a child process that can do nothing but read files and
// hand back its result. Gmsh's geometry scripts are a programming language (they can
// write files, include files they wrote, run commands, loop for ever); running them with
// the user's rights would let a downloaded ".geo" file do anything the user can do.
//
// The child is forked from this process and confined before it reads the input, with the
// kernel's own tools, each for what it does best:
//  - resource limits (setrlimit): address space, processor time, no core file, no file
//    larger than 0 bytes, few open files; they bound a script's memory and CPU;
//  - Landlock (the unprivileged file-system sandbox, kernels from 5.13): read-only access
//    beneath the input's folder and the system's /usr (with /lib, /lib64) and /etc; no
//    write, creation or removal anywhere; from ABI 4 no TCP, from ABI 6 no signal out
//    of the sandbox.
//    On a kernel without it the child goes on under the filter below alone;
//  - a seccomp filter (built with libseccomp): no program started (execve, fork, clone of
//    a process; threads may be made), no file opened for writing, created, renamed or
//    removed, no socket, no signal to another process, no ptrace, no io_uring. A call the
//    filter stops ends the child at once (SIGSYS), naming what it tried.
// The parent reads the result and the child's messages through pipes and kills it after a
// wall-time limit. The child is never started without its filter.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace membrane {

struct ConfinedLimits {
    double seconds = 60.0;        // wall time, and processor time
    std::size_t memoryBytes = 0;  // address space; 0: half the machine's memory, at least 2 GiB
    std::vector<std::string>
        readable;  // folders (and files) the child may read, besides /usr, /etc
};

struct ConfinedOutcome {
    bool ok = false;
    std::string result;  // what `work` returned, when ok
    std::string why;     // otherwise: why the child ended without a result
};

// Runs `prepare` and then `work` in a confined child and returns the work's result, or why
// there is none. `prepare` (loading and starting a library, never reading the untrusted
// input) runs under the limits and Landlock but before the seccomp filter. A call the
// sandbox stopped ("tried to run a program", "tried to write a file", ...), a limit
// reached, a signal, or the error lines the child printed (text on its standard error
// starting with "Error"). `work` may print messages to stdout and stderr; the last
// lines are kept.
ConfinedOutcome RunConfined(const ConfinedLimits& limits, const std::function<void()>& prepare,
                            const std::function<std::string()>& work);

}  // namespace membrane
