// Generated catenoid models for the benchmarks, written once per process into a scratch
// directory that is removed at exit, and loaded into a run state the way a run does.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "common/run_state.h"

namespace membrane::bench {

// Path of a catenoid model of about `nodes` nodes (generated on first use).
const std::string& CatenoidModel(std::int64_t nodes);

// A run state with the model loaded (node table, elements, lists, boundary, bars).
struct LoadedState {
    explicit LoadedState(const std::string& path);
    RunState state;
    NullMessageSink messages;
};

// Path of a scratch file in the benchmarks' directory.
std::string ScratchFile(const std::string& name);

}  // namespace membrane::bench
