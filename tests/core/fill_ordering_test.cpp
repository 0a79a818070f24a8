// The fill-reducing ordering worked out beside the model loading: a complete ordering of
// the nodes, the same solution as the ordering the solver works out itself, and a thread
// that ends with every way a run can end.
#include "solver/fill_ordering.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "model/coor_table.h"
#include "model/elem_table.h"
#include "model/model_generator.h"
#include "model/model_loader.h"
#include "model/value_lists.h"
#include "solver/cholmod_solver.h"
#include "solver/iteration.h"
#include "test_support.h"

namespace membrane {
namespace {

using test::TempDir;

TEST(FillOrdering, EveryNodeOnceHeldNodesOutsideTheMeshIncluded) {
    if (!CholmodSolver::Available()) GTEST_SKIP() << "built without CHOLMOD";
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

// Set-up, assembly and solution of the first Newton step, with the ordering from the
// thread or with the one the solver works out itself.
std::vector<double> FirstIncrements(const std::string& path, bool orderingBeforehand) {
    TempDir work;
    RunState state;
    state.boundaryPointsPath = work.File("BNDRYPTS.txt");
    std::unique_ptr<FillOrdering> ordering;
    if (orderingBeforehand) {
        ordering = FillOrdering::Start(path);
        EXPECT_NE(ordering, nullptr);
    }
    EXPECT_TRUE(LoadModel(state, path));
    std::vector<std::int32_t> order;  // the generator numbers the elements 1..E
    for (const ElementEntry& element : state.model.elements->Elements())
        order.push_back(element.number);
    CholmodSolver solver;
    EXPECT_TRUE(solver.Setup(state, order));
    EXPECT_TRUE(solver.Analyze(ordering.get()));
    solver.Assemble(state);
    RecordingMessageSink sink;
    EXPECT_EQ(solver.Solve(sink), SolveStatus::Ok);
    std::vector<double> increments;
    for (const NodeEntry& node : state.model.nodes->Nodes())
        increments.push_back(solver.Increment(node.number));
    return increments;
}

TEST(FillOrdering, SameIncrementsAsTheSolversOwnOrdering) {
    if (!CholmodSolver::Available()) GTEST_SKIP() << "built without CHOLMOD";
    TempDir dir;
    const std::string path = dir.File("generated.DAT");
    const GeneratedModel model = GenerateModel(GeneratedShape::Catenoid, 3000);
    ASSERT_TRUE(WriteGeneratedModel(model, path));
    // Every node of the mesh is ordered.
    EXPECT_EQ(FillOrdering::Start(path)->Take().size(),
              static_cast<std::size_t>(model.NodeCount()));
    const std::vector<double> own = FirstIncrements(path, false);
    const std::vector<double> given = FirstIncrements(path, true);
    ASSERT_EQ(own.size(), given.size());
    double largest = 0.0;
    for (double v : own) largest = std::max(largest, std::fabs(v));
    ASSERT_GT(largest, 1e-3);  // a real Newton step, not all zeros
    for (std::size_t k = 0; k < own.size(); ++k)
        EXPECT_NEAR(own[k], given[k], 1e-12 * largest) << "node " << k + 1;
}

TEST(FillOrdering, AFileWithoutElementsLeavesTheOrderingToTheSolver) {
    if (!CholmodSolver::Available()) GTEST_SKIP() << "built without CHOLMOD";
    TempDir dir;
    const std::string path = dir.File("none.DAT");
    test::WriteFile(path, "&COORDINATES 1  \r\n1 0 0\r\n");
    EXPECT_TRUE(FillOrdering::Start(path)->Take().empty());
    EXPECT_TRUE(FillOrdering::Start(dir.File("absent.DAT"))->Take().empty());
}

// Runs with the sparse Cholesky solver that end before or during the iteration. The
// ordering's thread must have ended with each (a thread still running when its object
// is destroyed would end the process), and the outcome is the same as without it.
TEST(FillOrdering, RunsEndingEarlyEndTheThreadToo) {
    if (!CholmodSolver::Available()) GTEST_SKIP() << "built without CHOLMOD";
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

    for (const Case& c : cases) {
        for (bool cholmod : {false, true}) {
            RunState state;
            RecordingMessageSink sink;
            state.messages = &sink;
            state.settings.useCholmod = cholmod;
            const std::string path = test::PrepareModel(dir, state, c.model.Text());
            EXPECT_EQ(RunModel(state, path, 1e-9).outcome, c.outcome)
                << c.name << (cholmod ? ", cholmod" : "");
        }
    }
    RunState state;
    state.settings.useCholmod = true;
    state.boundaryPointsPath = dir.File("BNDRYPTS.txt");
    EXPECT_EQ(RunModel(state, dir.File("absent.DAT"), 1e-9).outcome, RunOutcome::InputErrors);
}

}  // namespace
}  // namespace membrane
