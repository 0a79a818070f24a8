// Generated catenoid models for the benchmarks, written once per process into a scratch
// directory that is removed at exit, and read into a Model the way a run reads it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "heightfield/model.h"
#include "heightfield/model_file.h"

namespace membrane::bench {

// Path of a catenoid model of about `nodes` nodes (generated on first use).
const std::string& CatenoidModel(std::int64_t nodes);

// The model file's text and the complete Model read from it.
struct LoadedModel {
    explicit LoadedModel(const std::string& path);
    std::shared_ptr<const ModelFile> file;
    std::shared_ptr<const Model> model;
};

// Path of a scratch file in the benchmarks' directory.
std::string ScratchFile(const std::string& name);

}  // namespace membrane::bench
