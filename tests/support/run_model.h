// Runs of model files from the tests, with the listeners recorded, and runs of the
// command-line program.
#pragma once

#include <sys/wait.h>

#include <cstdio>
#include <string>

#include "heightfield/run_model.h"
#include "support/files.h"
#include "support/recording.h"

namespace membrane::test {

// One run of a model file in a directory of its own; the boundary points file goes into
// that directory too.
struct RecordedRun {
    explicit RecordedRun(const std::string& modelText, Settings settings = {},
                         const std::string& name = "MODEL.DAT") {
        WriteFile(dir.File(name), modelText);
        Run(dir.File(name), settings);
    }
    // Runs `path` (a file of the test's own) instead.
    RecordedRun(Settings settings, const std::string& path) { Run(path, settings); }

    void Run(const std::string& path, const Settings& settings) {
        RunRequest request{path, settings, dir.File("BNDRYPTS.txt")};
        result = RunModel(request, sink, &view);
    }
    std::string File(const std::string& name) const { return dir.File(name); }
    const Model& model() const { return *result.model; }
    const Solution& solution() const { return *result.solution; }

    TempDir dir;
    RecordingMessageSink sink;
    RecordingView view;
    RunResult result;
};

struct CliResult {
    int status = -1;
    std::string output;  // stdout and stderr together
};

// Runs `program` with `arguments` (quoted by the caller as a shell wants), in `directory`
// when one is given.
inline CliResult RunProgram(const std::string& program, const std::string& arguments,
                            const std::string& directory = {}) {
    CliResult result;
    const std::string command = (directory.empty() ? std::string() : "cd '" + directory + "' && ") +
                                "'" + program + "' " + arguments + " 2>&1";
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) return result;
    char buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) result.output.append(buffer, n);
    const int raw = ::pclose(pipe);
    result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return result;
}

// The command-line program of this build.
inline CliResult RunCli(const std::string& arguments, const std::string& directory = {}) {
    return RunProgram(MEMBRANE_CLI, arguments, directory);
}

}  // namespace membrane::test
