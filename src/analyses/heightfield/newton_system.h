// The Newton system of the height field, K du = r, as a client of the sparse system: K is
// the Hessian of the lifted area and r minus its gradient (assembly.h), the held nodes
// pinned by a stiff diagonal (the classic iteration's way: their increments come out
// ~1e-10 of their couplings), du one increment per node.
//
// The unknowns are the nodes of the triangles and the held nodes, numbered as the corners
// are first met and labelled by their node numbers (the built-in elimination orders its
// rows by those); the pattern is the triangles' corners; the elements are assembled in ascending
// element number, their terms computed on two threads and added in that order
// (linalg/element_rounds.h).
//
// With the multigrid back-end the steps are solved inexactly where Newton's method allows
// it (Dembo, Eisenstat & Steihaug, "Inexact Newton methods", SIAM J. Numer. Anal. 19,
// 1982): the relative tolerance of each step, the forcing term, follows the fall of the
// gradient's norm (Eisenstat & Walker, "Choosing the forcing terms in an inexact Newton
// method", SIAM J. Sci. Comput. 17, 1996, choice 2 with gamma = 0.9, alpha = 2 and its
// safeguard), here never looser than 1e-5. A step is solved on to the exact step
// (energy-norm error 1e-10, from where the inexact solve stopped) when its increments come
// near the run's convergence test: within kTightMargin of it, so that the test decides on
// exact steps; or near enough that with Newton's quadratic convergence
// (|du_k+1| / L ~ c (|du_k| / L)^2, L the plan's extent, c of order 1 to 100 on these
// meshes) the run may stop within the next few steps. The converged heights are then those
// of the direct solvers to 1e-9 of the model's extent at every accuracy (bench/README.md).
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "common/key_index.h"
#include "heightfield/assembly.h"
#include "heightfield/fill_ordering.h"
#include "heightfield/model.h"
#include "linalg/element_rounds.h"
#include "linalg/solver_choice.h"
#include "linalg/sparse_system.h"

namespace membrane {

class NewtonSystem {
  public:
    // How Create went: the back-end auto resolved to, what the user should be told about
    // the choice, and the status to report when no system could be made.
    struct Made {
        SolverChoice solver = SolverChoice::Auto;
        std::string note;
        SolveStatus status = SolveStatus::Ok;
    };
    // The system for `choice` (Auto: by the elimination's predicted work on the model, as
    // linalg/sparse_system_factory.h says); `ordering` (may be null) is the fill-reducing
    // ordering being worked out beside the loading, waited for at the first factorization.
    // `accuracy` is the run's (the increments' convergence test). Null when the back-end is
    // not available. `model` must outlive the system.
    static std::unique_ptr<NewtonSystem> Create(SolverChoice choice, const Model& model,
                                                double accuracy, Made& made,
                                                std::unique_ptr<FillOrdering> ordering = {},
                                                const std::atomic<bool>* cancel = nullptr);

    // The Newton system at `heights` (one per node of the model, node table order).
    void Assemble(std::span<const double> heights);
    // The Dirichlet energy's system for the harmonic extension of the held heights: the
    // Hessian of the area at a flat membrane (the cotangent Laplacian of the plan) and the
    // load of the held heights, so that the solution is the free heights' extension.
    void AssembleHarmonic(std::span<const double> heights);
    // Factorizes and solves. Anything but Ok: the increments are not to be used.
    SolveStatus Solve();
    // The increments of the last solve, one per node of the model (0 for a node that is in
    // no element and not held).
    void Increments(std::span<double> increments) const;
    SolveCounts Counts() const { return system_->Counts(); }

    // The assembled entry of two nodes (either order), the right-hand side and the
    // increment of a node by number; 0 where the system has none. For checks.
    double SystemEntry(std::int32_t rowNode, std::int32_t columnNode) const;
    double RightHandSide(std::int32_t node) const;
    double Increment(std::int32_t node) const;
    SparseSystem& System() { return *system_; }
    // Which unknown of the system a node number is; -1 for none.
    std::int32_t UnknownOf(std::int32_t node) const;

    // Steps whose increments satisfy |max| + |min| <= kTightMargin * 2 accuracy after the
    // inexact solve are solved on to the exact step...
    static constexpr double kTightMargin = 10.0;
    // ... and so are steps with |max| + |min| <= sqrt(kPredictedMargin * 2 accuracy * L).
    static constexpr double kPredictedMargin = 1000.0;

  private:
    NewtonSystem(const Model& model, double accuracy);
    // Numbers the unknowns, finds the elements that give terms; the pattern.
    std::shared_ptr<SparsePattern> Number();
    // The fill-reducing ordering's node numbers as a permutation of the unknowns: those it
    // names in its order (repeats and unknown nodes dropped), then every unknown it missed.
    std::vector<std::int32_t> Permutation(const std::vector<std::int32_t>& nodes) const;
    void PinHeldNodes();
    double Forcing(double norm);

    // An element as the assembly takes it: its corners' unknowns and their nodes' indices
    // in the node table (for the coordinates and heights).
    struct Element {
        std::int32_t unknown[3];
        std::int32_t entry[3];
    };
    const Model& model_;
    const double accuracy_;
    double extent_ = 0.0;                       // the larger side of the plan's bounding box
    KeyIndex unknownOf_;                        // node number -> unknown
    std::vector<std::int32_t> nodeOf_;          // per unknown: its node number
    std::vector<std::int32_t> unknownOfEntry_;  // per node table entry: its unknown or -1
    std::vector<Element> elements_;             // the elements that give terms, in order
    std::unique_ptr<SparseSystem> system_;
    ElementRounds<std::array<double, 12>> rounds_;
    // The forcing term's memory: the gradient norm and forcing term of the last step.
    double lastNorm_ = 0.0, lastForcing_ = 0.0;
};

}  // namespace membrane
