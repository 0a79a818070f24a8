// "membrane import": a surface file (Gmsh .msh or .geo, OBJ, STL, PLY) made into a model
// file; and "membrane export": the membrane of a model already run, from its report, as
// surface files.
#pragma once

#include <CLI/CLI.hpp>
#include <string>
#include <vector>

#include "heightfield/surface_import.h"

namespace membrane {

struct ImportOptions {
    ImportRequest request;
    std::vector<std::string> heldHeights;  // "GROUP=H"
    bool quiet = false;
};

struct ExportOptions {
    std::string model;
    std::vector<std::string> files;
    bool quiet = false;
    bool timings = false;
};

CLI::App* AddImportCommand(CLI::App& app, ImportOptions& options);
CLI::App* AddExportCommand(CLI::App& app, ExportOptions& options);

// Exit status 0, 2 when the surface cannot be made into a model (nothing written), 5 when
// the surface cannot be read or the model file cannot be written, 64 for a
// "--held-height" that is not GROUP=H.
int ImportCommand(ImportOptions options);
// Exit status 0; 1 when the report's heights are not converged (written all the same); 2
// when the model does not load, its report is older than it or holds no heights for it;
// 5 when the model or its report cannot be read or a file cannot be written.
int ExportCommand(const ExportOptions& options);

// The check of the "--export" and "export" file names: one of the surface formats.
std::string ExportFormatCheck(const std::string& path);

}  // namespace membrane
