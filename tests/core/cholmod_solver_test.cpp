// The sparse Cholesky solver against the built-in elimination: same outcomes, same
// files, heights equal to 1e-9 relative, also where conjugate gradients on an earlier
// factor gave the steps.
#include <gtest/gtest.h>

#include <cmath>

#include "heightfield/model_generator.h"
#include "support/files.h"
#include "support/newton_system.h"
#include "support/run_model.h"

namespace membrane {
namespace {

using test::TempDir;

struct SolverRun : test::RecordedRun {
    SolverRun(const std::string& model, SolverChoice solver)
        : RecordedRun(test::ReadFile(model), Settings{1e-9, 30, 1.0, solver}) {}
    std::string Out() const { return File("MODEL.OUT"); }
    std::string Trs() const { return File("MODEL.TRS"); }
};

// The files have the same lines wherever no computed number (nor the temporary
// directory's name) stands in them.
void ExpectSameLayout(const std::string& a, const std::string& b) {
    const auto la = test::Lines(test::ReadFile(a));
    const auto lb = test::Lines(test::ReadFile(b));
    ASSERT_EQ(la.size(), lb.size());
    for (std::size_t k = 0; k < la.size(); ++k) {
        if (la[k].rfind("; project :", 0) != 0 &&
            la[k].find_first_of("0123456789") == std::string::npos) {
            EXPECT_EQ(la[k], lb[k]);
        }
    }
}

class CholmodAgreement : public ::testing::TestWithParam<std::string> {};

TEST_P(CholmodAgreement, SameOutcomeFilesAndHeights) {
    if (!CholmodSystem::Available()) GTEST_SKIP() << "built without CHOLMOD";
    TempDir source;
    std::string model = GetParam();
    if (model == "jittered") {
        // A catenoid whose free nodes are moved off the grid by up to a fifth of the mesh
        // width: no two triangles alike.
        GeneratedModel mesh = GenerateModel(GeneratedShape::Catenoid, 800);
        const double step = 0.2 * 2.0 * 3.14159 * 1.2 / std::sqrt(800.0);
        for (std::int32_t k = 0; k < mesh.NodeCount(); ++k) {
            if (mesh.held[k]) continue;
            mesh.x[k] += step * std::sin(12.9898 * k);
            mesh.y[k] += step * std::cos(78.233 * k);
        }
        model = source.File("jittered.DAT");
        ASSERT_TRUE(WriteGeneratedModel(mesh, model));
    } else if (model != "example") {
        const auto shape = ParseGeneratedShape(model);
        ASSERT_TRUE(shape);
        model = source.File("generated.DAT");
        ASSERT_TRUE(WriteGeneratedModel(GenerateModel(*shape, 800), model));
    } else {
        model = std::string(MEMBRANE_EXAMPLES) + "/TEST3.DAT";
    }
    SolverRun elimination(model, SolverChoice::Elimination), cholmod(model, SolverChoice::Cholmod);
    ASSERT_EQ(elimination.result.outcome, RunOutcome::Success);
    ASSERT_EQ(cholmod.result.outcome, RunOutcome::Success);
    EXPECT_EQ(elimination.result.iterations, cholmod.result.iterations);
    // The steps near convergence were solved by conjugate gradients on an earlier factor,
    // and still agree with the elimination's exact steps.
    const SolveCounts& solves = cholmod.result.solves;
    const NewtonHistory& exact = elimination.result.history;
    const NewtonHistory& reused = cholmod.result.history;
    ASSERT_EQ(exact.size(), reused.size());
    for (std::size_t k = 0; k < exact.size(); ++k) {
        // Every step, not only the end that Newton's method would reach anyway (the last
        // steps, near the rounding of the heights, within 1e-12).
        const double size = std::fabs(exact[k].largest) + std::fabs(exact[k].smallest);
        EXPECT_LE(std::fabs(exact[k].largest - reused[k].largest), 1e-9 * size + 1e-12)
            << "step " << k;
        EXPECT_LE(std::fabs(exact[k].smallest - reused[k].smallest), 1e-9 * size + 1e-12)
            << "step " << k;
    }
    if (GetParam() != "square") {  // flat: one step
        EXPECT_GT(solves.reusedFactorSolves, 0);
    }
    EXPECT_TRUE(cholmod.sink.messages.empty());
    const auto& a = elimination.solution().heights;
    const auto& b = cholmod.solution().heights;
    ASSERT_EQ(a.size(), b.size());
    for (std::size_t k = 0; k < a.size(); ++k)
        EXPECT_LE(std::fabs(a[k] - b[k]), 1e-9 * std::max(1.0, std::fabs(a[k])))
            << "node index " << k;
    ExpectSameLayout(elimination.Out(), cholmod.Out());
    ExpectSameLayout(elimination.Trs(), cholmod.Trs());
}

INSTANTIATE_TEST_SUITE_P(Models, CholmodAgreement,
                         ::testing::Values("example", "catenoid", "scherk", "square", "jittered"));

}  // namespace
}  // namespace membrane
