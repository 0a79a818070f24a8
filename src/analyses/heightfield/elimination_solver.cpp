#include "heightfield/elimination_solver.h"

#include "heightfield/assembly.h"

namespace membrane {

EliminationSolver::EliminationSolver(const Model& model)
    : model_(model), order_(AssemblyOrder(model.elements)) {}

void EliminationSolver::Assemble(std::span<const double> heights) {
    system_.Clear();
    rightHandSide_.Clear();
    ElementTerms terms{};
    for (const std::int32_t number : order_)
        if (ComputeElement(model_.nodes, model_.elements, heights, number, terms))
            AccumulateElement(system_, rightHandSide_, terms);
    ImposeConstraints(model_.constraints, system_, rightHandSide_);
}

SolveStatus EliminationSolver::Solve() {
    return membrane::Solve(system_, rightHandSide_,
                           EliminationOptions{.workspace = &workspace_, .cancel = CancelFlag()});
}

void EliminationSolver::Increments(std::span<double> increments) const {
    const auto& nodes = model_.nodes.Nodes();
    for (std::size_t i = 0; i < nodes.size(); ++i)
        increments[i] = rightHandSide_.GetEntry(nodes[i].number, 1);
}

}  // namespace membrane
