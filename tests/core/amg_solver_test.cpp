// The multigrid solver against sparse Cholesky: the same Newton steps where every step is
// solved exactly, the same outcome, heights and area where the early steps are inexact;
// a clean failure on systems it cannot solve; the cancel flag.

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <limits>
#include <vector>

#include "heightfield/model_generator.h"
#include "support/files.h"
#include "support/model_text.h"
#include "support/newton_system.h"
#include "support/run_model.h"

namespace membrane {
namespace {

using test::MakeNewton;

using test::RecordedRun;
using test::TempDir;

// A generated model of about 800 nodes, the example, or a catenoid whose free nodes are
// moved off the grid (no two triangles alike).
std::string ModelFile(const std::string& name, TempDir& dir) {
    if (name == "example") return std::string(MEMBRANE_EXAMPLES) + "/TEST3.DAT";
    GeneratedModel mesh =
        GenerateModel(ParseGeneratedShape(name == "jittered" ? "catenoid" : name).value(), 800);
    if (name == "jittered") {
        const double step = 0.2 * 2.0 * 3.14159 * 1.2 / std::sqrt(800.0);
        for (std::int32_t k = 0; k < mesh.NodeCount(); ++k) {
            if (mesh.held[k]) continue;
            mesh.x[k] += step * std::sin(12.9898 * k);
            mesh.y[k] += step * std::cos(78.233 * k);
        }
    }
    const std::string path = dir.File(name + ".DAT");
    EXPECT_TRUE(WriteGeneratedModel(mesh, path));
    return path;
}

double Extent(const Model& model, const std::vector<double>& heights) {
    double low[3] = {1e300, 1e300, 1e300}, high[3] = {-1e300, -1e300, -1e300};
    for (std::size_t k = 0; k < heights.size(); ++k) {
        const double v[3] = {model.nodes.Nodes()[k].x, model.nodes.Nodes()[k].y, heights[k]};
        for (int d = 0; d < 3; ++d) {
            low[d] = std::min(low[d], v[d]);
            high[d] = std::max(high[d], v[d]);
        }
    }
    return std::max({high[0] - low[0], high[1] - low[1], high[2] - low[2]});
}

class AmgSteps : public ::testing::TestWithParam<std::string> {};
class AmgAgreement : public ::testing::TestWithParam<std::tuple<std::string, double>> {};

// Solved exactly (for an infinite accuracy every increment is within the exact-solve
// margin), each Newton system of the same heights gives the direct solver's increments.
TEST_P(AmgSteps, ExactStepsAreTheDirectSolversStepByStep) {
    if (!CholmodSystem::Available() || !AmgSystem::Available())
        GTEST_SKIP() << "built without CHOLMOD or hypre";
    TempDir dir;
    RecordedRun loaded(Settings{1e-9, 0, 1.0, SolverChoice::Cholmod}, ModelFile(GetParam(), dir));
    const Model& model = loaded.model();
    auto direct = MakeNewton(SolverChoice::Cholmod, model);
    auto amg = MakeNewton(SolverChoice::Amg, model, std::numeric_limits<double>::infinity());
    ASSERT_TRUE(direct && amg);
    std::vector<double> heights = model.startHeights, a(heights.size()), b(heights.size());
    for (int step = 0; step < 4; ++step) {
        direct->Assemble(heights);
        amg->Assemble(heights);
        ASSERT_EQ(direct->Solve(), SolveStatus::Ok);
        ASSERT_EQ(amg->Solve(), SolveStatus::Ok) << "step " << step;
        direct->Increments(a);
        amg->Increments(b);
        double size = 0.0, difference = 0.0;
        for (std::size_t k = 0; k < a.size(); ++k) {
            size = std::max(size, std::fabs(a[k]));
            difference = std::max(difference, std::fabs(a[k] - b[k]));
        }
        EXPECT_LE(difference, 1e-9 * size) << "step " << step;
        for (std::size_t k = 0; k < a.size(); ++k) heights[k] += a[k];
    }
}

// With inexact early steps, the run ends as the direct solver's: same outcome and number
// of iterations, the heights within 1e-9 of the model's extent, the area within 1e-10; at
// the default accuracy, where the direct solver's own heights are still 1e-3 from the
// minimum, as at a tight one.
TEST_P(AmgAgreement, InexactStepsEndAsTheDirectSolver) {
    if (!CholmodSystem::Available() || !AmgSystem::Available())
        GTEST_SKIP() << "built without CHOLMOD or hypre";
    TempDir dir;
    const std::string model = ModelFile(std::get<0>(GetParam()), dir);
    Settings settings;
    settings.accuracy = std::get<1>(GetParam());
    settings.solver = SolverChoice::Cholmod;
    RecordedRun cholmod(settings, model);
    settings.solver = SolverChoice::Amg;
    RecordedRun amg(settings, model);
    ASSERT_EQ(cholmod.result.outcome, RunOutcome::Success);
    ASSERT_EQ(amg.result.outcome, RunOutcome::Success);
    EXPECT_TRUE(amg.sink.messages.empty());
    EXPECT_EQ(amg.result.iterations, cholmod.result.iterations);
    EXPECT_GT(amg.result.solves.multigridSetups, 0);
    const auto& a = cholmod.solution().heights;
    const auto& b = amg.solution().heights;
    ASSERT_EQ(a.size(), b.size());
    const double extent = Extent(cholmod.model(), a);
    for (std::size_t k = 0; k < a.size(); ++k)
        EXPECT_LE(std::fabs(a[k] - b[k]), 1e-9 * extent) << "node index " << k;
    EXPECT_LE(std::fabs(cholmod.result.finalArea - amg.result.finalArea),
              1e-10 * cholmod.result.finalArea);
}

INSTANTIATE_TEST_SUITE_P(Models, AmgSteps,
                         ::testing::Values("example", "catenoid", "scherk", "jittered"));
INSTANTIATE_TEST_SUITE_P(Models, AmgAgreement,
                         ::testing::Combine(::testing::Values("example", "catenoid", "scherk",
                                                              "jittered"),
                                            ::testing::Values(1e-3, 1e-4)));

// A 4 x 4 grid held at its edge, with a second triangle of free nodes beside it.
std::string GridAndFreeTriangle() {
    test::ModelText m = test::Grid(
        4, 3.0, [](double, double) { return 0.0; }, [](double, double) { return 0.5; });
    m.coordinates.insert(m.coordinates.end(), {"17 5 0", "18 6 0", "19 5 1"});
    m.initial.insert(m.initial.end(), {"17 0", "18 0", "19 0.5"});
    m.elements.push_back("19 17 18 19");
    return m.Text();
}

// Systems it cannot solve end the solve with a failure, never with increments: a part of
// the mesh without a held node (singular, as the direct solvers find), a system that is not
// positive definite.
TEST(AmgSolver, GivesUpOnSystemsItCannotSolve) {
    if (!AmgSystem::Available()) GTEST_SKIP() << "built without hypre";
    const Settings amg{1e-6, 10, 1.0, SolverChoice::Amg};
    RecordedRun singular(GridAndFreeTriangle(), amg);
    EXPECT_EQ(singular.result.outcome, RunOutcome::SolverFailure);
    EXPECT_EQ(singular.result.reason, "Matrix has a row dependance.");

    RecordedRun loaded(
        test::Grid(
            4, 3.0, [](double, double) { return 0.0; }, [](double, double) { return 0.5; })
            .Text(),
        Settings{1e-6, 0, 1.0, SolverChoice::Amg});
    auto solver = MakeNewton(SolverChoice::Amg, loaded.model());
    ASSERT_TRUE(solver);
    solver->Assemble(loaded.model().startHeights);
    ASSERT_GT(solver->SystemEntry(6, 6), 0.0);
    auto& system = dynamic_cast<AmgSystem&>(solver->System());
    const std::int32_t six = solver->UnknownOf(6);
    ASSERT_TRUE(system.SetEntry(six, six, -solver->SystemEntry(6, 6)));
    EXPECT_EQ(solver->Solve(), SolveStatus::NotConverged);
    EXPECT_EQ(SolveFailureReason(SolveStatus::NotConverged), "multigrid solver did not converge");
}

// A set cancel flag ends the solve as cancelled before any work; a cleared one lets the
// same solver go on.
TEST(AmgSolver, CancelFlagStopsTheSolve) {
    if (!AmgSystem::Available()) GTEST_SKIP() << "built without hypre";
    RecordedRun loaded(
        test::Grid(
            6, 3.0, [](double, double) { return 0.0; }, [](double, double) { return 0.5; })
            .Text(),
        Settings{1e-6, 0, 1.0, SolverChoice::Amg});
    std::atomic<bool> cancel{true};
    auto solver = MakeNewton(SolverChoice::Amg, loaded.model(), 1e-6, &cancel);
    ASSERT_TRUE(solver);
    solver->Assemble(loaded.model().startHeights);
    EXPECT_EQ(solver->Solve(), SolveStatus::Cancelled);
    EXPECT_EQ(solver->Counts().conjugateGradientIterations, 0);
    cancel = false;
    EXPECT_EQ(solver->Solve(), SolveStatus::Ok);
}

// Auto takes the multigrid solver above 20000 nodes: a 141 x 141 grid (19881 nodes) goes to
// sparse Cholesky, a 142 x 142 one (20164) to multigrid.
TEST(SolverChoice, AutoTakesMultigridAbove20000Nodes) {
    if (!CholmodSystem::Available() || !AmgSystem::Available())
        GTEST_SKIP() << "built without CHOLMOD or hypre";
    Settings settings;
    settings.maxIterations = 1;
    for (const auto& [side, solver] :
         {std::pair{141, SolverChoice::Cholmod}, std::pair{142, SolverChoice::Amg}}) {
        RecordedRun run(
            test::Grid(
                side, 1.0, [](double x, double) { return x; }, [](double, double) { return 0.0; })
                .Text(),
            settings);
        EXPECT_EQ(run.result.solver, solver) << side;
    }
}

}  // namespace
}  // namespace membrane
