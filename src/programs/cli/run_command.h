// "membrane run" and "membrane vrml": a model file run as the desktop program's Run does
// it (same files, same progress lines, same messages), or only loaded for its scene; the
// outcome as the exit status.
#pragma once

#include <CLI/CLI.hpp>
#include <string>
#include <vector>

#include "heightfield/settings.h"
#include "shell/exit_status.h"

namespace membrane {

// The table of exit statuses, as --help ends and README.md shows it.
extern const char* const kExitStatusHelp;

// What the results window's "Show 3D-VRML model" group would pass, from the options.
struct SceneOptions {
    bool write = false;  // --vrml (implied by every other scene option)
    bool numbering = false;
    bool noAxes = false;
    bool undeformed = false;
    double scale = 1.0;
    bool open = false;
};

struct RunOptions {
    std::string model;
    Settings settings;
    bool quiet = false;
    bool strict = false;   // --strict: every warning is an input error
    bool timings = false;  // --timings: phase times and peak memory after the summary
    bool history = false;  // --history: the convergence table after the summary
    SceneOptions scene;
    std::string svg;                   // --svg: the results window's mesh drawing as a picture
    std::vector<std::string> exports;  // --export: surface files of the membrane
};

// Add the subcommands and their options to `app`.
CLI::App* AddRunCommand(CLI::App& app, RunOptions& options);
CLI::App* AddVrmlCommand(CLI::App& app, RunOptions& options);

// Every scene option asks for the scene; call after parsing.
void ImplyScene(SceneOptions& scene, bool scaleGiven);

int RunCommand(const RunOptions& options);
int VrmlCommand(const RunOptions& options);

}  // namespace membrane
