// The height field's Newton system with a chosen back-end, for tests of the solvers.
#pragma once

#include <atomic>
#include <memory>

#include "heightfield/newton_system.h"
#include "linalg/amg_system.h"
#include "linalg/cholmod_system.h"

namespace membrane::test {

inline std::unique_ptr<NewtonSystem> MakeNewton(SolverChoice choice, const Model& model,
                                                double accuracy = 1e-6,
                                                const std::atomic<bool>* cancel = nullptr,
                                                std::unique_ptr<FillOrdering> ordering = {}) {
    NewtonSystem::Made made;
    return NewtonSystem::Create(choice, model, accuracy, made, std::move(ordering), cancel);
}

// The sparse Cholesky back-end of a system made with SolverChoice::Cholmod.
inline CholmodSystem& CholmodOf(NewtonSystem& system) {
    return dynamic_cast<CholmodSystem&>(system.System());
}

}  // namespace membrane::test
