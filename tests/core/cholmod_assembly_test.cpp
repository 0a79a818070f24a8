// The sparse Cholesky solver assembles on two threads, in rounds of a few thousand
// elements. Its system must be, entry for entry and bit for bit, the sum of
// ComputeElement's terms in element order, with the held nodes pinned, in the first Newton
// step and after the heights have changed.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <utility>

#include "heightfield/assembly.h"
#include "heightfield/model_generator.h"
#include "heightfield/model_loader.h"
#include "support/files.h"
#include "support/newton_system.h"
#include "support/recording.h"

namespace membrane {
namespace {

using NodePair = std::pair<std::int32_t, std::int32_t>;

NodePair Unordered(std::int32_t a, std::int32_t b) {
    return {std::min(a, b), std::max(a, b)};
}

// The system from ComputeElement, entry by entry in element order: the entries the
// solver keeps (one triangle of the symmetric matrix) and the right-hand side.
struct ReferenceSystem {
    std::map<NodePair, double> matrix;
    std::map<std::int32_t, double> rhs;

    ReferenceSystem(const Model& model, const std::vector<double>& heights) {
        ElementTerms terms{};
        for (std::int32_t number : AssemblyOrder(model.elements)) {
            if (!ComputeElement(model.nodes, model.elements, heights, number, terms)) continue;
            const std::int32_t* n = terms.nodes;
            static constexpr int kRow[6] = {0, 1, 2, 1, 2, 2}, kColumn[6] = {0, 1, 2, 0, 0, 1};
            for (int k = 0; k < 6; ++k)
                matrix[Unordered(n[kRow[k]], n[kColumn[k]])] += terms.matrix[kRow[k]][kColumn[k]];
            for (int k = 0; k < 3; ++k) rhs[n[k]] += terms.vector[k];
        }
        for (const auto& entry : model.constraints.Entries()) {
            matrix[{entry.value, entry.value}] = kConstraintStiffness;
            rhs[entry.value] = 0.0;
        }
    }
};

void ExpectSameSystem(const NewtonSystem& solver, const ReferenceSystem& reference) {
    int compared = 0;
    for (const auto& [pair, value] : reference.matrix) {
        // Bit for bit: the same terms added in the same order.
        ASSERT_EQ(solver.SystemEntry(pair.first, pair.second), value)
            << pair.first << " " << pair.second;
        ASSERT_EQ(solver.SystemEntry(pair.second, pair.first), value);
        ++compared;
    }
    for (const auto& [node, value] : reference.rhs)
        ASSERT_EQ(solver.RightHandSide(node), value) << node;
    EXPECT_GT(compared, 1000);
}

TEST(CholmodAssembly, SystemIsComputeElementsTermsInElementOrderBitForBit) {
    if (!CholmodSystem::Available()) GTEST_SKIP() << "built without CHOLMOD";
    test::TempDir dir;
    const std::string path = dir.File("generated.DAT");
    ASSERT_TRUE(WriteGeneratedModel(GenerateModel(GeneratedShape::Scherk, 6000), path));
    test::RecordingMessageSink sink;
    Model model = *ReadModel(*ReadModelFile(path), sink);
    ASSERT_TRUE(model.complete);
    // Element numbers descending in file order, as a model numbered out of file order
    // has them: the system is assembled in ascending number.
    ElementTable renumbered;
    const auto& elements = model.elements.Elements();
    for (std::size_t k = 0; k < elements.size(); ++k)
        renumbered.Add(static_cast<std::int32_t>(elements.size() - k), 1,
                       model.elements.NodesOf(elements[k]));
    model.elements = renumbered;
    ASSERT_GT(model.elements.Elements().size(), 10000u);  // several rounds of the assembly

    std::vector<double> heights = model.startHeights;
    const auto solver = test::MakeNewton(SolverChoice::Cholmod, model);
    ASSERT_NE(solver, nullptr);
    solver->Assemble(heights);
    ExpectSameSystem(*solver, ReferenceSystem(model, heights));

    // A later Newton step: new heights everywhere, the same geometry.
    for (std::size_t k = 0; k < heights.size(); ++k)
        heights[k] += 0.01 * static_cast<double>(k % 7) - 0.02;
    solver->Assemble(heights);
    ExpectSameSystem(*solver, ReferenceSystem(model, heights));
}

}  // namespace
}  // namespace membrane
