// The Newton step settings: the classic full step (which can run off), the damped step
// (a line search on the area), auto (full steps, damped from the harmonic start once they
// run off), and the harmonic start itself.
#include <gtest/gtest.h>

#include <cmath>

#include "heightfield/area_along_line.h"
#include "heightfield/harmonic_start.h"
#include "heightfield/line_search.h"
#include "support/files.h"
#include "support/model_text.h"
#include "support/newton_system.h"
#include "support/run_model.h"

namespace membrane {
namespace {

using namespace test;

Settings With(NewtonStep newton, SolverChoice solver, StartHeights start = StartHeights::File) {
    Settings settings;
    settings.accuracy = 1e-6;
    settings.maxIterations = 30;
    settings.newton = newton;
    settings.solver = solver;
    settings.start = start;
    return settings;
}

std::vector<SolverChoice> Solvers() {
    if (!CholmodSystem::Available()) return {SolverChoice::Elimination};
    return {SolverChoice::Elimination, SolverChoice::Cholmod};
}

// The hyperbolic paraboloid x y over the unit square, free nodes started at 0: the full
// Newton step runs off to infinity in the fifth iteration.
const std::string kSaddle = DataFile("newton/SADDLE.DAT");

TEST(NewtonStep, DampedAndAutoConvergeWherePureRunsOff) {
    for (const SolverChoice solver : Solvers()) {
        TempDir dir;
        const std::string model = dir.File("SADDLE.DAT");
        WriteFile(model, ReadFile(kSaddle));
        auto run = [&](const Settings& settings) {
            RecordingMessageSink sink;
            RecordingView view;
            RunResult result = RunModel({model, settings, dir.File("B.txt")}, sink, &view);
            return std::make_pair(result, view.messages);
        };

        const auto [pure, pureLines] = run(With(NewtonStep::Pure, solver));
        EXPECT_EQ(pure.outcome, RunOutcome::Diverged);
        EXPECT_FALSE(Exists(dir.File("SADDLE.OUT")));

        const auto [damped, dampedLines] = run(With(NewtonStep::Damped, solver));
        ASSERT_EQ(damped.outcome, RunOutcome::Success);
        double previous = INFINITY;
        for (const NewtonStepRecord& step : damped.history) {
            EXPECT_GT(step.stepLength, 0.0);
            EXPECT_LE(step.stepLength, 1.0);
            EXPECT_LE(step.area, previous * (1 + 1e-13)) << "iteration " << step.iteration;
            previous = step.area;
        }
        EXPECT_LT(damped.history.front().stepLength, 1.0);  // the full step would overshoot
        EXPECT_NEAR(damped.finalArea, damped.history.back().area, 1e-9);

        // Auto: the pure steps up to the first that runs off (here a step larger than the
        // model), long before the pure run blows up, then exactly the damped run from the
        // harmonic start.
        const auto [restarted, autoLines] = run(With(NewtonStep::Auto, solver));
        const std::string autoReport = ReadFile(dir.File("SADDLE.OUT"));
        const auto [harmonic, harmonicLines] =
            run(With(NewtonStep::Damped, solver, StartHeights::Harmonic));
        ASSERT_EQ(restarted.outcome, RunOutcome::Success);
        EXPECT_EQ(autoReport, ReadFile(dir.File("SADDLE.OUT")));
        EXPECT_EQ(restarted.solution->heights, harmonic.solution->heights);
        const auto before = static_cast<std::size_t>(restarted.iterationsBeforeRestart);
        ASSERT_EQ(before, 3u);
        ASSERT_LT(before, pure.history.size());
        EXPECT_EQ(std::count(autoLines.begin(), autoLines.end(),
                             "iteration 3 moved a node further than the model's size: starting "
                             "again with a line search"),
                  1);
        ASSERT_EQ(restarted.history.size(), before + harmonic.history.size());
        for (std::size_t k = 0; k < before; ++k)
            EXPECT_EQ(restarted.history[k].area, pure.history[k].area);
        EXPECT_TRUE(restarted.history[before].restarted);
        // Both minimise the same area: the damped run from the file's start agrees.
        EXPECT_NEAR(restarted.finalArea, damped.finalArea, 1e-10);
    }
}

TEST(NewtonStep, AutoIsTheClassicIterationWhereThatConverges) {
    TempDir dir;
    const std::string model = CopyExample(dir);
    std::vector<std::string> files[2], lines[2];
    for (const int k : {0, 1}) {
        Settings settings;
        settings.newton = k == 0 ? NewtonStep::Pure : NewtonStep::Auto;
        RecordingMessageSink sink;
        RecordingView view;
        const RunResult result = RunModel({model, settings, dir.File("B.txt")}, sink, &view);
        ASSERT_EQ(result.outcome, RunOutcome::Success);
        files[k] = {ReadFile(result.reportFile), ReadFile(result.trussFile)};
        lines[k] = view.messages;
    }
    EXPECT_EQ(files[0], files[1]);
    EXPECT_EQ(lines[0], lines[1]);
}

// On a uniform grid cut by one diagonal the P1 Laplace matrix is the five-point stencil,
// which x^2 - y^2 satisfies exactly: the harmonic extension of its boundary values is
// itself.
TEST(NewtonStep, HarmonicStartSolvesTheDiscreteLaplaceProblem) {
    const auto saddle = [](double x, double y) { return x * x - y * y; };
    TempDir dir;
    Grid(7, 6.0, saddle, [](double, double) { return 40.0; }).WriteTo(dir.File("M.DAT"));
    RecordingMessageSink sink;
    const RunResult loaded = LoadModelOnly({dir.File("M.DAT"), {}, dir.File("B.txt")}, sink);
    ASSERT_TRUE(loaded.modelLoaded);
    const Model& model = *loaded.model;
    for (const SolverChoice choice : Solvers()) {
        const auto solver = test::MakeNewton(choice, model);
        ASSERT_TRUE(solver);
        std::vector<double> heights;
        ASSERT_EQ(HarmonicStartHeights(model, *solver, heights), SolveStatus::Ok);
        for (std::size_t k = 0; k < heights.size(); ++k) {
            const NodeEntry& node = model.nodes.Nodes()[k];
            EXPECT_NEAR(heights[k], saddle(node.x, node.y), 1e-8) << "node " << node.number;
        }
    }
}

TEST(NewtonStep, LineSearchTakesOnlyStepsThatLowerTheArea) {
    TempDir dir;
    Grid(
        4, 3.0, [](double x, double) { return x; }, [](double, double) { return 5.0; })
        .WriteTo(dir.File("M.DAT"));
    RecordingMessageSink sink;
    const RunResult loaded = LoadModelOnly({dir.File("M.DAT"), {}, dir.File("B.txt")}, sink);
    ASSERT_TRUE(loaded.modelLoaded);
    const LiftedArea area(*loaded.model);
    const std::vector<double>& start = loaded.model->startHeights;
    // Towards the plane z = x, overshooting it threefold.
    std::vector<double> down(start.size());
    for (std::size_t k = 0; k < start.size(); ++k)
        down[k] = 3 * (loaded.model->nodes.Nodes()[k].x - start[k]);
    const auto found = MinimizingStep(area, start, down);
    ASSERT_TRUE(found);
    EXPECT_NEAR(found->alpha, 1.0 / 3, 1e-3);
    EXPECT_LT(found->area, area.Area(start));

    std::vector<double> up(down.size());
    for (std::size_t k = 0; k < up.size(); ++k) up[k] = -down[k];
    EXPECT_FALSE(MinimizingStep(area, start, up));
}

}  // namespace
}  // namespace membrane
