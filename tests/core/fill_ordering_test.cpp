// The fill-reducing ordering worked out beside the model loading: a complete ordering of
// the nodes, the same solution as the ordering the solver works out itself, and a thread
// that ends with every way a run can end.
#include "heightfield/fill_ordering.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "heightfield/model_generator.h"
#include "heightfield/model_loader.h"
#include "support/files.h"
#include "support/model_text.h"
#include "support/newton_system.h"
#include "support/run_model.h"

namespace membrane {
namespace {

using test::TempDir;

TEST(FillOrdering, EveryNodeOnceHeldNodesOutsideTheMeshIncluded) {
    if (!CholmodSystem::Available()) GTEST_SKIP() << "built without CHOLMOD";
    // Elements out of number order, element 2 given twice (the newest counts), node 9
    // held but in no triangle, a node number far from the others.
    std::vector<FillOrdering::Triangle> triangles = {
        {3, {3, 4, 5}}, {1, {1, 2, 3}}, {2, {7, 8, 1}}, {2, {2, 4, 3}}, {4, {5, 4, 100000}}};
    const std::atomic<bool> going{false};
    std::vector<std::int32_t> nodes = FillOrdering::Compute(triangles, {9, 1}, going);
    std::sort(nodes.begin(), nodes.end());
    EXPECT_EQ(nodes, (std::vector<std::int32_t>{1, 2, 3, 4, 5, 9, 100000}));

    EXPECT_TRUE(FillOrdering::Compute({}, {}, going).empty());
    const std::atomic<bool> cancelled{true};
    EXPECT_TRUE(FillOrdering::Compute(triangles, {}, cancelled).empty());
}

std::shared_ptr<const Model> Load(const std::string& path) {
    test::RecordingMessageSink sink;
    return ReadModel(*ReadModelFile(path), sink);
}

// Set-up, assembly and solution of the first Newton step, with the given ordering or
// with the one the solver works out itself.
std::vector<double> FirstIncrements(const Model& model, std::unique_ptr<FillOrdering> ordering) {
    const auto solver =
        test::MakeNewton(SolverChoice::Cholmod, model, 1e-6, nullptr, std::move(ordering));
    EXPECT_NE(solver, nullptr);
    solver->Assemble(model.startHeights);
    EXPECT_EQ(solver->Solve(), SolveStatus::Ok);
    std::vector<double> increments(model.nodes.Count());
    solver->Increments(increments);
    return increments;
}

TEST(FillOrdering, SameIncrementsAsTheSolversOwnOrdering) {
    if (!CholmodSystem::Available()) GTEST_SKIP() << "built without CHOLMOD";
    TempDir dir;
    const std::string path = dir.File("generated.DAT");
    const GeneratedModel model = GenerateModel(GeneratedShape::Catenoid, 3000);
    ASSERT_TRUE(WriteGeneratedModel(model, path));
    // Every node of the mesh is ordered.
    EXPECT_EQ(FillOrdering::Start(ReadModelFile(path))->Take().size(),
              static_cast<std::size_t>(model.NodeCount()));
    const auto loaded = Load(path);
    const std::vector<double> own = FirstIncrements(*loaded, nullptr);
    const std::vector<double> given =
        FirstIncrements(*loaded, FillOrdering::Start(ReadModelFile(path)));
    ASSERT_EQ(own.size(), given.size());
    double largest = 0.0;
    for (double v : own) largest = std::max(largest, std::fabs(v));
    ASSERT_GT(largest, 1e-3);  // a real Newton step, not all zeros
    for (std::size_t k = 0; k < own.size(); ++k)
        EXPECT_NEAR(own[k], given[k], 1e-12 * largest) << "node " << k + 1;
}

TEST(FillOrdering, AFileWithoutElementsLeavesTheOrderingToTheSolver) {
    if (!CholmodSystem::Available()) GTEST_SKIP() << "built without CHOLMOD";
    TempDir dir;
    const std::string path = dir.File("none.DAT");
    test::WriteFile(path, "&COORDINATES 1  \r\n1 0 0\r\n");
    EXPECT_TRUE(FillOrdering::Start(ReadModelFile(path))->Take().empty());
    EXPECT_EQ(FillOrdering::Start(nullptr), nullptr);
}

TEST(FillOrdering, TheSolverFactorizesInTheOrderingItIsGiven) {
    if (!CholmodSystem::Available()) GTEST_SKIP() << "built without CHOLMOD";
    // A 40 x 40 grid: eliminated row by row (the node numbers' order) its factor is a band
    // of about 40 x 1600 entries; nested dissection needs far fewer.
    TempDir dir;
    const auto zero = [](double, double) { return 0.0; };
    const auto model = Load(test::Grid(40, 1.0, zero, zero).WriteTo(dir.File("grid.DAT")));
    std::vector<std::int32_t> byNumber;
    for (const NodeEntry& node : model->nodes.Nodes()) byNumber.push_back(node.number);
    auto entries = [&](std::unique_ptr<FillOrdering> ordering) {
        const auto solver =
            test::MakeNewton(SolverChoice::Cholmod, *model, 1e-6, nullptr, std::move(ordering));
        EXPECT_TRUE(solver && test::CholmodOf(*solver).Analyze());
        return solver ? test::CholmodOf(*solver).FactorEntries() : 0.0;
    };
    const double banded = entries(FillOrdering::Given(byNumber));
    const double dissected = entries(FillOrdering::Given(FillOrdering::Compute(
        [&] {
            std::vector<FillOrdering::Triangle> triangles;
            for (const ElementEntry& e : model->elements.Elements()) {
                const auto n = model->elements.NodesOf(e);
                triangles.push_back({e.number, {n[0], n[1], n[2]}});
            }
            return triangles;
        }(),
        {}, std::atomic<bool>{false})));
    EXPECT_GT(banded, 1.5 * dissected);
    EXPECT_GT(banded, 40.0 * 1600 * 0.9);
    EXPECT_LT(entries(nullptr), banded / 1.5);  // the solver's own ordering dissects too
}

// Runs with the sparse Cholesky solver that end before or during the iteration. The
// ordering's thread must have ended with each (a thread still running when its object
// is destroyed would end the process), and the outcome is the same as without it.
TEST(FillOrdering, RunsEndingEarlyEndTheThreadToo) {
    if (!CholmodSystem::Available()) GTEST_SKIP() << "built without CHOLMOD";
    TempDir dir;
    test::ModelText good;
    good.coordinates = {"1 0 0", "2 1 0", "3 1 1", "4 0 1", "5 0.5 0.5"};
    good.elements = {"1 1 2 5", "2 2 3 5", "3 3 4 5", "4 4 1 5"};
    good.constraints = {"1", "2", "3", "4"};
    good.initial = {"1 0", "2 1", "3 0", "4 1", "5 0"};

    struct Case {
        std::string name;
        test::ModelText model;
        RunOutcome outcome;
    };
    std::vector<Case> cases;
    cases.push_back({"no initial values", good, RunOutcome::InputErrors});
    cases.back().model.initial.clear();
    cases.push_back({"degenerate triangle", good, RunOutcome::InputErrors});
    cases.back().model.elements.push_back("5 1 2 2");
    cases.push_back({"element node missing", good, RunOutcome::InputErrors});
    cases.back().model.elements.push_back("5 1 2 77");
    cases.push_back({"good model", good, RunOutcome::Success});

    Settings cholmod;
    cholmod.accuracy = 1e-9;
    cholmod.solver = SolverChoice::Cholmod;
    for (const Case& c : cases)
        EXPECT_EQ(test::RecordedRun(c.model.Text(), cholmod).result.outcome, c.outcome) << c.name;
    EXPECT_EQ(test::RecordedRun(cholmod, dir.File("absent.DAT")).result.outcome,
              RunOutcome::OutputFailure);
}

}  // namespace
}  // namespace membrane
