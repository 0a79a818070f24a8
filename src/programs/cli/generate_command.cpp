#include "cli/generate_command.h"

#include <cmath>
#include <cstdio>

#include "cli/console_view.h"
#include "cli/number_options.h"
#include "common/file_names.h"
#include "common/io_error.h"
#include "form/form_generator.h"
#include "form/form_model_writer.h"
#include "heightfield/model_generator.h"

namespace membrane {

CLI::App* AddGenerateCommand(CLI::App& app, GenerateOptions& options) {
    CLI::App* command = app.add_subcommand(
        "generate",
        "Write a model file with a known minimal surface, and OUT.json with its exact area");
    command
        ->add_option("shape", options.shape,
                     "catenoid (half catenoid over an annulus), scherk (Scherk's surface over a "
                     "square) or square (flat unit square); form models: form-catenoid (rings "
                     "of 10 m, --height apart, sigma 1 kN/m), form-cable-square (10 m square, "
                     "sigma 2 kN/m, edge cables of 20 kN) or form-cap (disc of 5 m, sigma 2 "
                     "kN/m, pressure 0.5 kN/m^2)")
        ->required()
        ->check(CLI::IsMember(
            {"catenoid", "scherk", "square", "form-catenoid", "form-cable-square", "form-cap"}));
    command->add_option("--nodes", options.nodes, "About how many nodes, e.g. 1e5 (default 1e4)")
        ->check(FiniteIn(static_cast<double>(kMinGeneratedNodes),
                         static_cast<double>(kMaxGeneratedNodes), "from 9 to 2e7"));
    command
        ->add_option("--height", options.height,
                     "form-catenoid: the distance of the rings in metres (default 12)")
        ->check(FiniteIn(0.1, 1000.0, "from 0.1 to 1000"));
    command
        ->add_option("output", options.output, "Model file to write (.DAT; .toml for a form model)")
        ->required();
    command->add_flag("--quiet,-q", options.quiet, "Print nothing but messages");
    command->footer(
        "Exit status: 0 model file and sidecar written; 5 a file could not be written; 64\n"
        "wrong usage (a shape or node count out of range); 130/143 ended by SIGINT/SIGTERM.");
    return command;
}

namespace {

// A form model and its surface.
int GenerateForm(const GenerateOptions& options, int writeFailure) {
    ConsoleMessages messages;
    const std::int64_t nodes = std::llround(options.nodes);
    FormModel model;
    if (options.shape == "form-catenoid")
        model = GenerateCatenoidForm({10.0, options.height, 1.0}, nodes);
    else if (options.shape == "form-cable-square")
        model = GenerateCableSquareForm({}, nodes);
    else
        model = GenerateCapForm({}, nodes);
    try {
        WriteFormModelFiles(model, options.output);
    } catch (const IoError& error) {
        messages.Show(error.what(), MessageKind::Error, "Input/output error");
        return writeFailure;
    }
    if (!options.quiet) {
        std::printf("nodes        : %zu\n", model.NodeCount());
        std::printf("triangles    : %zu\n", model.triangles.size());
        std::printf("form model   : %s\n", options.output.c_str());
        std::printf("surface      : %s\n", ChangeFileExt(options.output, ".obj").c_str());
        std::fflush(stdout);
    }
    return 0;
}

}  // namespace

int Generate(const GenerateOptions& options, int writeFailure) {
    if (options.shape.starts_with("form-")) return GenerateForm(options, writeFailure);
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
