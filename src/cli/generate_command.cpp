#include "cli/generate_command.h"

#include <cmath>
#include <cstdio>

#include "cli/console_view.h"
#include "common/file_names.h"
#include "common/io_error.h"
#include "model/model_generator.h"

namespace membrane {

CLI::App* AddGenerateCommand(CLI::App& app, GenerateOptions& options) {
    CLI::App* command = app.add_subcommand(
        "generate",
        "Write a model file with a known minimal surface, and OUT.json with its exact area");
    command
        ->add_option("shape", options.shape,
                     "catenoid (half catenoid over an annulus), scherk (Scherk's surface over a "
                     "square) or square (flat unit square)")
        ->required()
        ->check(CLI::IsMember({"catenoid", "scherk", "square"}));
    command->add_option("--nodes", options.nodes, "About how many nodes, e.g. 1e5 (default 1e4)")
        ->check(CLI::Range(static_cast<double>(kMinGeneratedNodes),
                           static_cast<double>(kMaxGeneratedNodes)));
    command->add_option("output", options.output, "Model file to write (.DAT)")->required();
    command->add_flag("--quiet,-q", options.quiet, "Print nothing but messages");
    command->footer(
        "Exit status: 0 model file and sidecar written; 5 a file could not be written; 64\n"
        "wrong usage (a shape or node count out of range); 130/143 ended by SIGINT/SIGTERM.");
    return command;
}

int Generate(const GenerateOptions& options, int writeFailure) {
    ConsoleMessages messages;
    const GeneratedShape shape = *ParseGeneratedShape(options.shape);
    const GeneratedModel model = GenerateModel(shape, std::llround(options.nodes));
    const std::string sidecar = ChangeFileExt(options.output, ".json");
    try {
        if (!WriteGeneratedModel(model, options.output)) {
            messages.Show("Can not write the model file " + options.output, MessageKind::Error);
            return writeFailure;
        }
        if (!WriteGeneratedSidecar(model, options.output, sidecar)) {
            messages.Show("Can not write the sidecar file " + sidecar, MessageKind::Error);
            return writeFailure;
        }
    } catch (const IoError& error) {
        messages.Show(error.what(), MessageKind::Error, "Input/output error");
        return writeFailure;
    }
    if (!options.quiet) {
        std::printf("nodes        : %d\n", model.NodeCount());
        std::printf("triangles    : %d\n", model.TriangleCount());
        std::printf("model        : %s\n", options.output.c_str());
        std::printf("sidecar      : %s\n", sidecar.c_str());
        std::fflush(stdout);
    }
    return 0;
}

}  // namespace membrane
