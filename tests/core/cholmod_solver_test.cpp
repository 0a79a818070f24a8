// The sparse Cholesky solver against the built-in elimination: same outcomes, same
// files, heights equal to 1e-9 relative.
#include <gtest/gtest.h>

#include <cmath>

#include "common/file_names.h"
#include "model/coor_table.h"
#include "model/model_generator.h"
#include "model/value_lists.h"
#include "solver/cholmod_solver.h"
#include "solver/iteration.h"
#include "test_support.h"

namespace membrane {
namespace {

using test::TempDir;

struct SolverRun {
    SolverRun(const std::string& model, bool cholmod, double accuracy = 1e-9) {
        path = dir.File("model.DAT");
        test::WriteFile(path, test::ReadFile(model));
        state.messages = &sink;
        state.boundaryPointsPath = dir.File("BNDRYPTS.txt");
        state.settings.useCholmod = cholmod;
        state.settings.maxIterations = 30;
        result = RunModel(state, path, accuracy);
    }
    double Height(std::int32_t node) const { return state.model.heights->ValueOf(node); }
    std::string Out() const { return ChangeFileExt(path, ".OUT"); }
    std::string Trs() const { return ChangeFileExt(path, ".TRS"); }

    TempDir dir;
    std::string path;
    RunState state;
    RecordingMessageSink sink;
    RunResult result;
};

// The files have the same lines wherever no computed number (nor the temporary
// directory's name) stands in them.
void ExpectSameLayout(const std::string& a, const std::string& b) {
    const auto la = test::Lines(test::ReadFile(a));
    const auto lb = test::Lines(test::ReadFile(b));
    ASSERT_EQ(la.size(), lb.size());
    for (std::size_t k = 0; k < la.size(); ++k) {
        if (la[k].rfind("; project :", 0) != 0 && la[k].find_first_of("0123456789") == std::string::npos) {
            EXPECT_EQ(la[k], lb[k]);
        }
    }
}

class CholmodAgreement : public ::testing::TestWithParam<std::string> {};

TEST_P(CholmodAgreement, SameOutcomeFilesAndHeights) {
    if (!CholmodSolver::Available()) GTEST_SKIP() << "built without CHOLMOD";
    TempDir source;
    std::string model = GetParam();
    if (model != "example") {
        const auto shape = ParseGeneratedShape(model);
        ASSERT_TRUE(shape);
        model = source.File("generated.DAT");
        ASSERT_TRUE(WriteGeneratedModel(GenerateModel(*shape, 800), model));
    } else {
        model = std::string(MEMBRANE_EXAMPLES) + "/TEST3.DAT";
    }
    SolverRun elimination(model, false), cholmod(model, true);
    ASSERT_EQ(elimination.result.outcome, RunOutcome::Success);
    ASSERT_EQ(cholmod.result.outcome, RunOutcome::Success);
    EXPECT_EQ(elimination.result.iterations, cholmod.result.iterations);
    EXPECT_TRUE(cholmod.sink.messages.empty());
    for (const NodeEntry& node : elimination.state.model.nodes->Nodes()) {
        const double a = elimination.Height(node.number), b = cholmod.Height(node.number);
        EXPECT_LE(std::fabs(a - b), 1e-9 * std::max(1.0, std::fabs(a))) << "node " << node.number;
    }
    ExpectSameLayout(elimination.Out(), cholmod.Out());
    ExpectSameLayout(elimination.Trs(), cholmod.Trs());
}

INSTANTIATE_TEST_SUITE_P(Models, CholmodAgreement, ::testing::Values("example", "catenoid", "scherk", "square"));

TEST(Cholmod, SingularSystemEndsAsSolverFailureWithoutFiles) {
    if (!CholmodSolver::Available()) GTEST_SKIP() << "built without CHOLMOD";
    TempDir source;
    test::ModelText m;
    m.coordinates = {"1 0 0", "2 1 0", "3 0 1", "4 5 5"};
    m.elements = {"1 1 2 3"};
    m.constraints = {"4"};
    m.initial = {"1 0", "2 0.5", "3 0"};
    const std::string model = source.File("singular.DAT");
    test::WriteFile(model, m.Text());
    SolverRun run(model, true);
    EXPECT_EQ(run.result.outcome, RunOutcome::SolverFailure);
    EXPECT_EQ(run.result.reason, "Matrix has a row dependance.");
    EXPECT_EQ(run.sink.Texts(), (std::vector<std::string>{"Matrix has a row dependance. "}));
    EXPECT_FALSE(test::Exists(run.Out()));
    EXPECT_FALSE(test::Exists(run.Trs()));
}

}  // namespace
}  // namespace membrane
