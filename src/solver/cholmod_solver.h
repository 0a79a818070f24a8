// The sparse Cholesky solver for large models (SuiteSparse CHOLMOD, supernodal).
//
// The Newton system of the membrane is symmetric, and with the held nodes pinned by
// 1e10 on their diagonal it is positive definite. This solver assembles it straight into
// the upper triangle of a compressed-column matrix (the form CHOLMOD permutes for the
// factorization in a single pass) whose pattern (and the position of
// every triangle's six entries in it) is worked out once per run, computes a
// fill-reducing ordering and the symbolic factorization once, and per Newton step only
// refills the values and factorizes numerically. It solves the same system as the
// built-in elimination, with the same outcome messages.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "common/run_state.h"
#include "solver/fill_ordering.h"
#include "solver/tmatrix.h"

namespace membrane {

class CholmodSolver {
public:
    CholmodSolver();
    ~CholmodSolver();
    CholmodSolver(const CholmodSolver&) = delete;
    CholmodSolver& operator=(const CholmodSolver&) = delete;

    // Whether the program was built with CHOLMOD.
    static bool Available();

    // Works out the unknowns and the pattern from the elements (visited in `order`) and
    // the constraints. False when CHOLMOD is not available.
    bool Setup(const RunState& state, const std::vector<std::int32_t>& order);
    // The fill-reducing ordering and the symbolic factorization, once, after Setup and
    // before the first Solve (which does it itself if it has not been done): with the
    // ordering that `ordering` worked out beforehand when there is one (it is waited for
    // here), otherwise with one computed now. Since Assemble does not need it, the first
    // assembly can go on while the ordering is still being worked out. False when the
    // factorization cannot be prepared.
    bool Analyze(FillOrdering* ordering = nullptr);

    // Assembles the Newton system from the current heights and pins the held nodes.
    void Assemble(const RunState& state);
    // Factorizes and solves; on success Increment(node) gives the node's increment. A
    // system that is not positive definite (a part of the mesh without held nodes) gives
    // RowDependence, with its message shown through `messages`.
    SolveStatus Solve(MessageSink& messages);
    double Increment(std::int32_t node) const;

    // The assembled system entry of two nodes (either order) and the right-hand side entry
    // of a node; 0 where the system has none. For checks of the assembly.
    double SystemEntry(std::int32_t rowNode, std::int32_t columnNode) const;
    double RightHandSide(std::int32_t node) const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace membrane
