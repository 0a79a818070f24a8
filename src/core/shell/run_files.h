// The files of a run, and which outputs the run may not write: checked before anything is
// written, so that a model named "x.OUT", an export named like the report or a FIFO where
// a result goes stops the run instead of losing a file.
#pragma once

#include <string>
#include <vector>

namespace membrane {

// A file the run reads or writes by rules of its own, and what it is to the run ("the
// model file", "the surface file of the model").
struct NamedFile {
    std::string path;
    std::string what;
};

struct RunFiles {
    std::vector<NamedFile> inputs;  // never overwritten
    // Files written by rules of their own (a boundary points file written whatever the
    // run's outcome): no output may be one of them.
    std::vector<NamedFile> besides;
    // The run's own files, then the files the caller writes after it (exports, pictures).
    std::vector<std::string> outputs;
};

// Why the run may not write its files: the first output that is an input, one of the
// files besides, an earlier output, or an existing file that may not be replaced
// (RefusedTarget); then the first file besides that is an input. Empty when all may be
// written.
std::string RefusedOutputs(const RunFiles& files);

}  // namespace membrane
