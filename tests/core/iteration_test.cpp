#include "solver/iteration.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "common/number_format.h"
#include "model/coor_table.h"
#include "model/elem_table.h"
#include "model/value_lists.h"
#include "test_support.h"

namespace membrane {
namespace {

using test::ModelText;
using test::PrepareModel;
using test::ReadFile;
using test::RecordingView;
using test::TempDir;

// An n x n grid of nodes over [0, size]^2 (numbered row by row from 1), two triangles per
// cell. Boundary nodes are held at boundary(x, y); interior nodes start at start(x, y).
ModelText Grid(int n, double size, const std::function<double(double, double)>& boundary,
               const std::function<double(double, double)>& start) {
    ModelText m;
    auto id = [n](int i, int j) { return j * n + i + 1; };
    for (int j = 0; j < n; ++j)
        for (int i = 0; i < n; ++i) {
            const double x = size * i / (n - 1), y = size * j / (n - 1);
            m.coordinates.push_back(std::to_string(id(i, j)) + " " + FormatGeneral(x) + " " + FormatGeneral(y));
            const bool edge = i == 0 || j == 0 || i == n - 1 || j == n - 1;
            if (edge) m.constraints.push_back(std::to_string(id(i, j)));
            m.initial.push_back(std::to_string(id(i, j)) + " " + FormatGeneral(edge ? boundary(x, y) : start(x, y)));
        }
    int e = 0;
    for (int j = 0; j + 1 < n; ++j)
        for (int i = 0; i + 1 < n; ++i) {
            m.elements.push_back(std::to_string(++e) + " " + std::to_string(id(i, j)) + " " +
                                 std::to_string(id(i + 1, j)) + " " + std::to_string(id(i + 1, j + 1)));
            m.elements.push_back(std::to_string(++e) + " " + std::to_string(id(i, j)) + " " +
                                 std::to_string(id(i + 1, j + 1)) + " " + std::to_string(id(i, j + 1)));
        }
    return m;
}

struct ModelRun {
    TempDir dir;
    RunState state;
    RecordingMessageSink sink;
    RecordingView view;
    std::string path;
    RunResult result;

    ModelRun(const std::string& text, double accuracy = 0.001, int maxIterations = 10) {
        state.messages = &sink;
        state.view = &view;
        state.settings.maxIterations = maxIterations;
        path = PrepareModel(dir, state, text);
        result = RunModel(state, path, accuracy);
    }
    std::string Out() const { return dir.File("MODEL.OUT"); }
    std::string Trs() const { return dir.File("MODEL.TRS"); }
    double Height(std::int32_t node) const { return state.model.heights->ValueOf(node); }
};

// Total area of the lifted triangles, computed here from the heights alone.
double LiftedArea(const RunState& state, const std::function<double(std::int32_t)>& height) {
    const ModelObjects& m = state.model;
    double total = 0;
    for (const ElementEntry& e : m.elements->Elements()) {
        const auto nodes = m.elements->NodesOf(e);
        double p[3][3];
        for (int k = 0; k < 3; ++k) {
            const NodeEntry* node = m.nodes->FindNode(nodes[k]);
            p[k][0] = node->x;
            p[k][1] = node->y;
            p[k][2] = height(nodes[k]);
        }
        const double u[3] = {p[1][0] - p[0][0], p[1][1] - p[0][1], p[1][2] - p[0][2]};
        const double v[3] = {p[2][0] - p[0][0], p[2][1] - p[0][1], p[2][2] - p[0][2]};
        const double c[3] = {u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2], u[0] * v[1] - u[1] * v[0]};
        total += 0.5 * std::sqrt(c[0] * c[0] + c[1] * c[1] + c[2] * c[2]);
    }
    return total;
}

TEST(Iteration, FlatModelConvergesInOneIteration) {
    const auto zero = [](double, double) { return 0.0; };
    ModelRun r(Grid(3, 2.0, zero, zero).Text());
    ASSERT_EQ(r.result.outcome, RunOutcome::Success);
    EXPECT_EQ(r.result.iterations, 1);
    EXPECT_EQ(r.view.messages,
              (std::vector<std::string>{"Open " + r.path, "ITERATION 1 : Assemble", "ITERATION 1 : Elimination",
                                        "READY, output to file : MODEL.OUT"}));
    EXPECT_EQ(r.view.flatArea, "Flat mesh surface : 4.000");
    EXPECT_EQ(r.view.finalArea, "Final surface : 4.000");
    EXPECT_EQ(r.view.heightsIterations, 1);
    EXPECT_TRUE(r.state.resultsAvailable);
    EXPECT_TRUE(r.state.modelLoaded);
    EXPECT_NE(ReadFile(r.Out()).find("\r\nnumber of iterations :   1     accurracy : 0.0010000000\r\n"),
              std::string::npos);
    EXPECT_TRUE(test::Exists(r.Trs()));
    EXPECT_TRUE(r.sink.messages.empty());
    // Nothing but the outputs is left in the directory (no temporary files).
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(r.dir.Path())) {
        ++files;
        EXPECT_EQ(entry.path().filename().string().find(".part"), std::string::npos) << entry.path();
    }
    EXPECT_EQ(files, 4);  // MODEL.DAT, MODEL.OUT, MODEL.TRS, BNDRYPTS.txt
}

TEST(Iteration, PlaneWithBoundaryOnItIsReproducedInside) {
    const auto plane = [](double x, double y) { return 0.3 * x - 0.7 * y + 1.0; };
    ModelRun r(Grid(5, 4.0, plane, [](double, double) { return 0.0; }).Text(), 1e-12, 30);
    ASSERT_EQ(r.result.outcome, RunOutcome::Success);
    for (const NodeEntry& node : r.state.model.nodes->Nodes())
        EXPECT_NEAR(node.z, plane(node.x, node.y), 1e-9) << node.number;  // the lifted node table
}

TEST(Iteration, CurvedBoundaryNeedsSeveralIterationsAndGivesTheLeastArea) {
    // A saddle boundary z = x^2 - y^2 over [-1, 1]^2 (shifted to [0, 2]^2), interior
    // started in between the boundary heights.
    const auto saddle = [](double x, double y) { return (x - 1) * (x - 1) - (y - 1) * (y - 1); };
    ModelRun r(Grid(6, 2.0, saddle, [](double, double) { return 0.5; }).Text(), 1e-9, 50);
    ASSERT_EQ(r.result.outcome, RunOutcome::Success);
    EXPECT_GT(r.result.iterations, 2);
    EXPECT_LT(r.result.iterations, 50);

    const RunState& s = r.state;
    const auto height = [&](std::int32_t node) { return s.model.heights->ValueOf(node); };
    const double area = LiftedArea(s, height);
    EXPECT_NEAR(r.result.finalArea, area, 1e-12);
    EXPECT_EQ(r.view.finalArea, "Final surface : " + FormatFixed(area, 12, 3));
    EXPECT_LT(area, r.result.flatArea + 10);  // sanity: finite
    // A local minimum: moving any free node up or down increases the area.
    for (const NodeEntry& node : s.model.nodes->Nodes()) {
        if (s.model.constraints->ContainsValue(node.number)) continue;
        for (double delta : {1e-4, -1e-4}) {
            const double moved = LiftedArea(s, [&](std::int32_t k) { return height(k) + (k == node.number ? delta : 0); });
            EXPECT_GT(moved, area) << node.number;
        }
    }
}

TEST(Iteration, PoorStartDivergesWithoutOutputFiles) {
    const auto zero = [](double, double) { return 0.0; };
    ModelRun r(Grid(3, 2.0, zero, [](double, double) { return 1e5; }).Text());
    ASSERT_EQ(r.result.outcome, RunOutcome::Diverged);
    ASSERT_FALSE(r.view.messages.empty());
    EXPECT_EQ(r.view.messages.back(), "ERRORS reported " + r.result.reason);
    EXPECT_EQ(r.result.reason, "iteration " + std::to_string(r.result.iterations) + ", solution to infinity");
    EXPECT_FALSE(test::Exists(r.Out()));
    EXPECT_FALSE(test::Exists(r.Trs()));
    EXPECT_FALSE(r.state.resultsAvailable);
    EXPECT_EQ(r.view.heightsIterations, -1);
    EXPECT_EQ(r.Height(5), 1e5);  // the blown-up increment is not applied
}

TEST(Iteration, NotANumberEndsAsDivergedOrFailedNeverAsSuccess) {
    const auto zero = [](double, double) { return 0.0; };
    ModelRun r(Grid(3, 2.0, zero, [](double, double) { return 1e300; }).Text());
    EXPECT_NE(r.result.outcome, RunOutcome::Success);
    EXPECT_FALSE(test::Exists(r.Out()));
    EXPECT_FALSE(r.state.resultsAvailable);
}

TEST(Iteration, IterationLimits) {
    const auto saddle = [](double x, double y) { return (x - 1) * (x - 1) - (y - 1) * (y - 1); };
    const std::string text = Grid(4, 2.0, saddle, [](double, double) { return 0.5; }).Text();
    {
        ModelRun r(text, 0.001, 1);  // one step, not converged: applied, success with 1 iteration
        ASSERT_EQ(r.result.outcome, RunOutcome::Success);
        EXPECT_EQ(r.result.iterations, 1);
        EXPECT_NE(r.Height(6), 0.5);
        EXPECT_NE(ReadFile(r.Out()).find("number of iterations :   1     "), std::string::npos);
    }
    for (int limit : {0, -3}) {
        ModelRun r(text, 0.001, limit);  // no Newton step at all
        ASSERT_EQ(r.result.outcome, RunOutcome::Success) << limit;
        EXPECT_EQ(r.result.iterations, 0);
        EXPECT_EQ(r.Height(6), 0.5);
        EXPECT_NE(ReadFile(r.Out()).find("number of iterations :   0     accurracy : 0.0010000000"),
                  std::string::npos);
        EXPECT_TRUE(test::Exists(r.Trs()));
        for (const auto& m : r.view.messages) EXPECT_EQ(m.find("ITERATION"), std::string::npos);
    }
    {
        ModelRun r(text, 0.0, 4);  // accuracy 0: only the limit ends it
        ASSERT_EQ(r.result.outcome, RunOutcome::Success);
        EXPECT_EQ(r.result.iterations, 4);
    }
}

TEST(Iteration, ElementsAreVisitedInAscendingNumber) {
    const auto saddle = [](double x, double y) { return (x - 1) * (x - 1) - (y - 1) * (y - 1); };
    const ModelText base = Grid(4, 2.0, saddle, [](double, double) { return 0.5; });
    // The same triangles, numbered with gaps and listed in reverse: visited by number they
    // are assembled in the same order as the base numbering, so the results agree bit for bit.
    ModelText renumbered = base;
    renumbered.elements.clear();
    for (std::size_t k = base.elements.size(); k-- > 0;) {
        std::string record = base.elements[k];
        const std::size_t blank = record.find(' ');
        const int number = std::stoi(record.substr(0, blank));
        renumbered.elements.push_back(std::to_string(number * 10 + 3) + record.substr(blank));
    }
    ModelRun a(base.Text(), 1e-9, 20), b(renumbered.Text(), 1e-9, 20);
    ASSERT_EQ(a.result.outcome, RunOutcome::Success);
    ASSERT_EQ(b.result.outcome, RunOutcome::Success);
    EXPECT_EQ(a.result.iterations, b.result.iterations);
    for (const NodeEntry& node : a.state.model.nodes->Nodes()) EXPECT_EQ(a.Height(node.number), b.Height(node.number));
    EXPECT_DOUBLE_EQ(a.result.finalArea, b.result.finalArea);  // summed in file order
}

TEST(Iteration, EliminationFailureEndsTheRunWithoutOutputs) {
    // The only held node belongs to no triangle: the free triangle has no fixed height and
    // its system is singular (exactly so: its terms are halves).
    ModelText m;
    m.coordinates = {"1 0 0", "2 1 0", "3 0 1", "4 5 5"};
    m.elements = {"1 1 2 3"};
    m.constraints = {"4"};
    m.initial = {"1 0", "2 0", "3 0"};
    ModelRun r(m.Text());
    ASSERT_EQ(r.result.outcome, RunOutcome::SolverFailure);
    EXPECT_EQ(r.sink.Texts(), (std::vector<std::string>{"Matrix has a row dependance. "}));
    EXPECT_EQ(r.view.messages.back(), "ERRORS reported Matrix has a row dependance.");
    EXPECT_FALSE(test::Exists(r.Out()));
    EXPECT_FALSE(test::Exists(r.Trs()));
    EXPECT_FALSE(r.state.resultsAvailable);
}

TEST(Iteration, InputErrorsAndUnwritableOutputs) {
    {
        ModelRun r("nothing here\r\n");
        EXPECT_EQ(r.result.outcome, RunOutcome::InputErrors);
        EXPECT_EQ(r.view.messages.back(), "ERRORS reported input errors");
        EXPECT_FALSE(r.state.modelLoaded);
        EXPECT_FALSE(r.state.resultsAvailable);
        EXPECT_FALSE(test::Exists(r.Out()));
    }
    {
        // The truss model file cannot be put in place (a directory has its name).
        const auto zero = [](double, double) { return 0.0; };
        TempDir dir;
        RunState state;
        RecordingMessageSink sink;
        RecordingView view;
        state.messages = &sink;
        state.view = &view;
        const std::string path = PrepareModel(dir, state, Grid(3, 1.0, zero, zero).Text());
        std::filesystem::create_directory(dir.File("MODEL.TRS"));
        const RunResult result = RunModel(state, path, 0.001);
        EXPECT_EQ(result.outcome, RunOutcome::OutputFailure);
        EXPECT_FALSE(state.resultsAvailable);
        ASSERT_EQ(sink.messages.size(), 1u);
        EXPECT_EQ(sink.messages[0].caption, "Input/output error");
        EXPECT_EQ(view.messages.back(), "ERRORS reported input/output error");
        for (const auto& entry : std::filesystem::directory_iterator(dir.Path()))
            EXPECT_EQ(entry.path().filename().string().find(".part"), std::string::npos) << entry.path();
    }
}

}  // namespace
}  // namespace membrane
