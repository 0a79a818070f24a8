// The fill-reducing ordering of the sparse Cholesky solver, worked out on a thread of its
// own while the model is being loaded and checked.
//
// The ordering (nested dissection by METIS on the graph of the nodes joined by triangle
// sides) depends on the element table only, and at a million nodes it takes seconds. The
// thread reads the element and constraint tables from the model file's text itself, with
// the same readers as the model loading but without any message, and orders the graph
// while the loading reads the tables, analyses the boundary, builds the bar table and
// checks the model, and while the solver works out its pattern and assembles the first
// Newton step.
//
// The thread touches no model object, no message sink and no results view: it shares the
// file's text (which nobody changes) and has its own tables. Its result is a list of node
// numbers, which the solver maps onto its unknowns. The object waits for its thread when
// destroyed, so every way out of a run (a failed load or check, an input/output error, a
// cancelled run) ends the thread with it.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "heightfield/model_file.h"
#include "heightfield/settings.h"

namespace membrane {

// Whether a run of a model file of this size may end up with the sparse Cholesky solver,
// so that its fill-reducing ordering is worth working out beside the loading: with that
// solver chosen, or with auto for files that may hold more nodes than the elimination
// takes and fewer than the multigrid solver is chosen for.
bool MayUseCholmod(const Settings& settings, std::size_t fileBytes);

class FillOrdering {
  public:
    // Starts the thread on the model file's text. Null when the program was built without
    // the sparse Cholesky solver or no thread can be started.
    static std::unique_ptr<FillOrdering> Start(std::shared_ptr<const ModelFile> file);

    // An ordering known beforehand (node numbers, first eliminated first), no thread.
    static std::unique_ptr<FillOrdering> Given(std::vector<std::int32_t> nodes);

    ~FillOrdering();  // tells the thread it is no longer wanted and waits for it
    FillOrdering(const FillOrdering&) = delete;
    FillOrdering& operator=(const FillOrdering&) = delete;

    // Waits for the thread. The node numbers in the order in which the factorization
    // should eliminate them; empty when no ordering could be computed.
    std::vector<std::int32_t> Take();

    // One element as the thread sees it: its number and its first three nodes.
    struct Triangle {
        std::int32_t number;
        std::int32_t nodes[3];
    };
    // The ordering itself, on the calling thread (what the thread runs once it has read the
    // tables). The graph's vertices are numbered as the solver numbers its unknowns (the
    // corners of the elements in ascending element number, the newest element of a
    // number, each node when first met, then the held nodes not met before), so METIS
    // sees the same graph in the same numbering as it would inside the solver.
    static std::vector<std::int32_t> Compute(std::vector<Triangle> triangles,
                                             const std::vector<std::int32_t>& held,
                                             const std::atomic<bool>& cancelled);

  private:
    FillOrdering() = default;

    std::thread thread_;
    std::atomic<bool> cancelled_{false};
    std::vector<std::int32_t> result_;
    bool taken_ = false;
};

}  // namespace membrane
