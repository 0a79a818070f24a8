// membrane: the command-line program. "run" does exactly what the desktop program's Run
// does on a model file (same files, same progress lines, same messages) and tells the
// outcome in its exit status; "vrml" writes the scene of a model's flat mesh; "generate"
// writes test models whose exact minimal surface is known; "import" makes a model file
// from a surface mesh, "export" writes the membrane of a model already run as surfaces;
// "form" finds the 3D shape that carries a prestress with its cables and supports.
#include <CLI/CLI.hpp>
#include <cstdio>
#include <exception>
#include <functional>
#include <new>
#include <utility>
#include <vector>

#include "cli/form_command.h"
#include "cli/generate_command.h"
#include "cli/import_command.h"
#include "cli/run_command.h"
#include "common/temp_registry.h"
#include "linalg/amg_system.h"

int main(int argc, char** argv) {
    using namespace membrane;
    AmgSystem::PrepareProcess();  // before any other thread
    CLI::App app{"membrane - minimum-area membrane over a flat triangular mesh"};
    app.require_subcommand(1);
    app.footer(kExitStatusHelp);
    app.set_version_flag("--version", std::string("membrane ") + MEMBRANE_VERSION);
    // An interrupted run leaves no temporary file behind.
    RemoveTempFilesOnSignals();

    // Every command: its options added to the parser, and what it does once parsed. An
    // analysis registers its command here.
    std::vector<std::pair<CLI::App*, std::function<int()>>> commands;
    RunOptions options;
    CLI::App* run = AddRunCommand(app, options);
    commands.emplace_back(run, [&] {
        ImplyScene(options.scene, run->count("--scale") > 0);
        return RunCommand(options);
    });
    commands.emplace_back(AddVrmlCommand(app, options), [&] { return VrmlCommand(options); });
    GenerateOptions generateOptions;
    commands.emplace_back(AddGenerateCommand(app, generateOptions),
                          [&] { return Generate(generateOptions, kExitOutputFailure); });
    ImportOptions importOptions;
    commands.emplace_back(AddImportCommand(app, importOptions),
                          [&] { return ImportCommand(importOptions); });
    ExportOptions exportOptions;
    commands.emplace_back(AddExportCommand(app, exportOptions),
                          [&] { return ExportCommand(exportOptions); });
    FormOptions formOptions;
    commands.emplace_back(AddFormCommand(app, formOptions),
                          [&] { return FormCommand(formOptions); });

    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForAllHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForVersion& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        app.exit(e);
        return kExitUsage;
    }
    // Every command stops its own errors; what still escapes (memory that ran out where no
    // command expected it) ends the program with a message, never an abort.
    try {
        for (const auto& [command, execute] : commands)
            if (command->parsed()) return execute();
    } catch (const std::bad_alloc&) {
        std::fprintf(stderr, "membrane: out of memory\n");
        return kExitSolverFailure;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "membrane: %s\n", e.what());
        return kExitAborted;
    }
    return kExitUsage;
}
