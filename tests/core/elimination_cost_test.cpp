// The elimination's work counted before any number: the count is the fill of the
// elimination's row order (sparse Cholesky's symbolic analysis of the same order agrees),
// auto decides by it, and the import numbers the nodes so that it stays small.
#include "heightfield/elimination_cost.h"

#include <gtest/gtest.h>

#include "formats/surface_reader.h"
#include "heightfield/model_loader.h"
#include "heightfield/model_writer.h"
#include "heightfield/surface_import.h"
#include "support/files.h"
#include "support/newton_system.h"
#include "support/run_model.h"

namespace membrane {
namespace {

using namespace test;

std::shared_ptr<const Model> Load(const std::string& path) {
    RecordingMessageSink sink;
    return ReadModel(*ReadModelFile(path), sink);
}

TEST(EliminationCost, TheCountIsTheFillOfTheEliminationsOrder) {
    if (!CholmodSystem::Available()) GTEST_SKIP() << "built without CHOLMOD";
    for (const char* name : {"TEST3.DAT", "arches.DAT"}) {
        SCOPED_TRACE(name);
        const auto model = Load(std::string(MEMBRANE_EXAMPLES) + "/" + name);
        const std::vector<std::int32_t> order = EliminationRowOrder(*model);
        const EliminationCost cost = PredictEliminationCost(*model, 1e12);
        EXPECT_FALSE(cost.overLimit);
        const auto solver = test::MakeNewton(SolverChoice::Cholmod, *model, 1e-6, nullptr,
                                             FillOrdering::Given(order));
        ASSERT_TRUE(solver && test::CholmodOf(*solver).Analyze());
        // Its factor holds the diagonal besides.
        EXPECT_EQ(test::CholmodOf(*solver).FactorEntries(),
                  cost.factorEntries + static_cast<double>(order.size()));
        // Stopped at a limit, the count is above it.
        EXPECT_TRUE(PredictEliminationCost(*model, cost.multiplyAdds / 2).overLimit);
    }
}

TEST(EliminationCost, AutoTakesTheEliminationWhereItsWorkIsSmall) {
    TempDir dir;
    RecordingMessageSink sink;
    Settings settings;
    settings.maxIterations = 1;
    const std::string small = CopyExample(dir);  // 2e4 multiply-adds
    EXPECT_EQ(RunModel({small, settings, dir.File("B.txt")}, sink).solver,
              SolverChoice::Elimination);
    const std::string arches = dir.File("arches.DAT");  // 1332 nodes, 4e6 multiply-adds
    std::filesystem::copy_file(std::string(MEMBRANE_EXAMPLES) + "/arches.DAT", arches);
    EXPECT_EQ(RunModel({arches, settings, dir.File("B.txt")}, sink).solver,
              CholmodSystem::Available() ? SolverChoice::Cholmod : SolverChoice::Elimination);
}

TEST(EliminationCost, TheImportNumbersTheNodesForTheElimination) {
    TempDir dir;
    const std::string geo = std::string(MEMBRANE_EXAMPLES) + "/arches.geo";
    WriteModelFile(dir.File("mesher.DAT"), MakePlanModel(ReadSurface(geo, 0.0), {}), geo);
    ImportRequest request;
    request.surface = geo;
    request.model = dir.File("imported.DAT");
    ImportSurface(request);
    const double mesher = PredictEliminationCost(*Load(dir.File("mesher.DAT")), 1e12).multiplyAdds;
    const double imported =
        PredictEliminationCost(*Load(dir.File("imported.DAT")), 1e12).multiplyAdds;
    EXPECT_LT(imported, mesher / 10) << imported << " against " << mesher;
}

}  // namespace
}  // namespace membrane
