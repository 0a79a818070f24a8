// "membrane generate": writes a model file of a membrane whose exact minimal surface is
// known (half catenoid, Scherk's surface, flat square) and a JSON sidecar beside it; or a
// form model (OUT.toml and its surface OUT.obj) whose equilibrium shape is known (a
// catenoid between two rings, a square with edge cables, a cap under pressure).
#pragma once

#include <CLI/CLI.hpp>
#include <string>

namespace membrane {

struct GenerateOptions {
    std::string shape;
    double nodes = 1e4;
    double height = 12.0;  // form-catenoid: the rings' distance (radius 10 m)
    std::string output;
    bool quiet = false;
};

// Adds the subcommand and its options to `app`.
CLI::App* AddGenerateCommand(CLI::App& app, GenerateOptions& options);

// Writes OUT.DAT and OUT.json; 0 on success, `writeFailure` when a file cannot be written.
int Generate(const GenerateOptions& options, int writeFailure);

}  // namespace membrane
