// The sparse Cholesky solver for large models (SuiteSparse CHOLMOD, supernodal).
//
// The Newton system of the membrane is symmetric, and with the held nodes pinned by
// 1e10 on their diagonal it is positive definite. This solver assembles it straight into
// the upper triangle of a compressed-column matrix (the form CHOLMOD permutes for the
// factorization in a single pass) whose pattern (and the position of every triangle's six
// entries in it) is worked out once per run, computes a fill-reducing ordering and the
// symbolic factorization once, and per Newton step only refills the values and factorizes
// numerically, or, where that is cheaper, solves by conjugate gradients preconditioned
// with the factor of an earlier step. It solves the same system as the built-in
// elimination, with the same outcome messages.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "heightfield/fill_ordering.h"
#include "heightfield/model.h"
#include "linalg/linear_solver.h"

namespace membrane {

class CholmodSolver final : public LinearSolver {
  public:
    // Whether the program was built with CHOLMOD.
    static bool Available();

    // Works out the unknowns and the pattern from the model's elements (in ascending
    // element number) and held nodes. `ordering` (may be null) is the fill-reducing
    // ordering being worked out beside the loading: it is waited for at the first Solve,
    // and its thread ends with the solver. Null when CHOLMOD is not available or the
    // pattern cannot be set up. `model` must outlive the solver.
    static std::unique_ptr<CholmodSolver> Create(const Model& model,
                                                 std::unique_ptr<FillOrdering> ordering = {});
    ~CholmodSolver() override;
    CholmodSolver(const CholmodSolver&) = delete;
    CholmodSolver& operator=(const CholmodSolver&) = delete;

    // Assembles the Newton system from the heights and pins the held nodes.
    void Assemble(std::span<const double> heights) override;
    // The first call works out the fill-reducing ordering (the one given to Create when
    // there is one) and the symbolic factorization: Unavailable when that fails. Then
    // factorizes and solves; a system that is not positive definite (a part of the mesh
    // without held nodes) gives RowDependence.
    SolveStatus Solve() override;
    void Increments(std::span<double> increments) const override;
    SolveCounts Counts() const override;

    // The ordering and the symbolic factorization, once; Solve does it itself when it has
    // not been done. False when the factorization cannot be prepared.
    bool Analyze();

    // The assembled system entry of two nodes (either order) and the right-hand side entry
    // of a node; 0 where the system has none. For checks of the assembly.
    double SystemEntry(std::int32_t rowNode, std::int32_t columnNode) const;
    double RightHandSide(std::int32_t node) const;
    // The increment of the node with this number after Solve; 0 for an unknown node.
    double Increment(std::int32_t node) const;
    // The entries of the Cholesky factor the ordering gives (after Analyze).
    double FactorEntries() const;

  private:
    CholmodSolver(const Model& model, std::unique_ptr<FillOrdering> ordering);
    bool Setup();
    bool SolveOnEarlierFactor();

    struct Impl;
    const Model& model_;
    std::unique_ptr<FillOrdering> ordering_;
    std::unique_ptr<Impl> impl_;
};

}  // namespace membrane
