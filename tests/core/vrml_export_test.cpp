#include "heightfield/vrml_export.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "common/messages.h"
#include "support/files.h"
#include "support/golden.h"
#include "support/recording.h"

namespace membrane {
namespace {

using namespace test;

class RecordingOpener final : public Opener {
  public:
    bool Open(const std::string& pathOrUrl) override {
        opened.push_back(pathOrUrl);
        return opens;
    }
    std::vector<std::string> opened;
    bool opens = true;  // false: as if no program could open anything
};

// A square of side 2 cut into four triangles around a middle node, and the heights of a
// run. Nodes 1, 2 and 4 are held.
struct SmallModel {
    explicit SmallModel(const std::string& modelFile) {
        model.fileName = modelFile;
        model.complete = true;
        const struct {
            int n;
            double x, y, h;
        } nodes[] = {{1, 0, 0, 0}, {2, 2, 0, 0}, {3, 2, 2, 0.5}, {4, 0, 2, 0.25}, {5, 1, 1, 0.8}};
        for (const auto& p : nodes) {
            model.nodes.Add(p.n, p.x, p.y);
            solution.heights.push_back(p.h);
        }
        solution.liftedZ = solution.heights;
        const int bars[][3] = {{1, 1, 2}, {2, 2, 5}, {3, 5, 1}, {4, 2, 3},
                               {5, 3, 5}, {6, 3, 4}, {7, 4, 5}, {8, 4, 1}};
        for (const auto& b : bars) {
            const std::int32_t ends[] = {b[1], b[2]};
            model.bars.Add(b[0], 1, ends);
        }
        int key = 0;
        for (int c : {1, 2, 4}) model.constraints.Add(++key, c);
    }
    VrmlExportResult Export(const VrmlOptions& options, bool withSolution = true) {
        return ExportVrml(model, withSolution ? &solution : nullptr, options, messages);
    }
    std::string Scene() const { return ReadFile(VrmlSceneFileName(model)); }

    RecordingMessageSink messages;
    Model model;
    Solution solution;
};

TEST(VrmlExport, ModelExtentTakesPlanAndHeightsNotNodeZ) {
    SmallModel model("/nonexistent/small.DAT");
    double x, y, h;
    EXPECT_EQ(ModelExtent(model.model, &model.solution, x, y, h), 2.0);
    EXPECT_EQ(x, 2.0);
    EXPECT_EQ(y, 2.0);
    EXPECT_EQ(h, 0.8);

    model.solution.heights[2] = -7.5;
    EXPECT_EQ(ModelExtent(model.model, &model.solution, x, y, h), 7.5);
    EXPECT_EQ(ModelExtent(model.model, nullptr, x, y, h), 2.0);  // no run: heights do not count
    EXPECT_EQ(h, 0.0);
    EXPECT_EQ(ModelExtent(Model{}, nullptr, x, y, h), 0.0);
}

TEST(VrmlExport, DefaultOptionsDrawTheMembraneAsComputed) {
    TempDir dir;
    SmallModel model(dir / "small.DAT");
    EXPECT_EQ(model.Export(VrmlOptions{}), VrmlExportResult::Written);
    ExpectGolden("vrml/small_default.wrl", model.Scene());
    EXPECT_TRUE(model.messages.messages.empty());
    // Scale 1 and the undeformed view put every node at the same height.
    const std::string deformed = model.Scene();
    ASSERT_EQ(model.Export({false, true, false, 1.0}), VrmlExportResult::Written);
    EXPECT_EQ(model.Scene(), deformed);
}

TEST(VrmlExport, NumberedAndUndeformedWithoutAxes) {
    TempDir dir;
    SmallModel model(dir / "small.DAT");
    EXPECT_EQ(model.Export({true, false, false, 1.0}), VrmlExportResult::Written);
    ExpectGolden("vrml/small_numbered_undeformed.wrl", model.Scene());

    // The -1 sentinel draws the mesh undeformed even with "show deformed state".
    EXPECT_EQ(model.Export({true, false, true, kUndeformedScale}), VrmlExportResult::Written);
    ExpectGolden("vrml/small_numbered_undeformed.wrl", model.Scene());
}

TEST(VrmlExport, ScaleLiftsTheFlatPlanByScaledHeights) {
    TempDir dir;
    SmallModel model(dir / "small.DAT");
    ASSERT_EQ(model.Export({false, false, true, 10.0}), VrmlExportResult::Written);
    // Node 5 of height 0.8 at 10 x 0.8.
    const std::string node5 =
        "  translation  1.00000000000000E+0000  1.00000000000000E+0000  8.00000000000000E+0000     "
        " \r\n";
    EXPECT_NE(model.Scene().find(node5), std::string::npos);

    // Without a run every node stands in the plan.
    ASSERT_EQ(model.Export({false, false, true, 10.0}, false), VrmlExportResult::Written);
    EXPECT_EQ(model.Scene().find(node5), std::string::npos);
    EXPECT_NE(model.Scene().find("  translation  1.00000000000000E+0000  1.00000000000000E+0000  "
                                 "0.00000000000000E+0000      \r\n"),
              std::string::npos);
}

TEST(VrmlExport, BarWithAMissingNodeIsLeftOutWhole) {
    TempDir dir;
    SmallModel model(dir / "small.DAT");
    const std::int32_t ends[] = {5, 99};
    model.model.bars.Add(9, 1, ends);
    model.model.constraints.Add(4, 98);  // a held node without coordinates: no cone
    ASSERT_EQ(model.Export(VrmlOptions{}), VrmlExportResult::Written);
    ExpectGolden("vrml/small_default.wrl", model.Scene());
}

TEST(VrmlExport, IncompleteModelOnlyHeaderAxesAndTrailer) {
    TempDir dir;
    SmallModel model(dir / "small.DAT");
    model.model.bars = ElementTable{};
    model.model.complete = false;
    ASSERT_EQ(model.Export(VrmlOptions{}), VrmlExportResult::Written);
    const std::string scene = model.Scene();
    EXPECT_EQ(scene.find("# node"), std::string::npos);
    EXPECT_EQ(scene.find("# supportnode"), std::string::npos);
    EXPECT_NE(scene.find("\"z\"]"), std::string::npos);
    EXPECT_TRUE(scene.ends_with("\r\n\r\n# end of file, membrane scene\r\n"));
}

TEST(VrmlExport, UncreatableSceneIsReportedAndShowFallsBackToTheOldOne) {
    TempDir dir;
    SmallModel model(dir / "no-such-dir/small.DAT");
    EXPECT_EQ(model.Export(VrmlOptions{}), VrmlExportResult::NotCreated);
    RecordingOpener opener;
    ShowVrml(model.model, opener, model.messages);
    EXPECT_TRUE(opener.opened.empty());
    EXPECT_EQ(
        model.messages.Texts(),
        (std::vector<std::string>{"Can not create a VRML file, check your disk or r/w permissions.",
                                  "No VRML file created!"}));
}

TEST(VrmlExport, FailedWriteIsReportedAndTheOldSceneStays) {
    TempDir dir;
    SmallModel model(dir / "small.DAT");
    ASSERT_EQ(model.Export(VrmlOptions{}), VrmlExportResult::Written);
    const std::string before = model.Scene();

    EXPECT_EQ(
        ExportVrml(model.model, &model.solution, VrmlOptions{true, true, true, 5.0}, model.messages,
                   [](const std::string&) { return TextFileWriter::Create("/dev/full"); }),
        VrmlExportResult::WriteFailed);
    ASSERT_EQ(model.messages.messages.size(), 1u);
    EXPECT_EQ(model.messages.messages[0].kind, MessageKind::Error);
    EXPECT_EQ(model.Scene(), before);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()),
                            std::filesystem::directory_iterator()),
              1);
}

TEST(VrmlExport, ShowOpensTheSceneBesideTheModel) {
    TempDir dir;
    SmallModel model(dir / "small.DAT");
    ASSERT_EQ(model.Export(VrmlOptions{}), VrmlExportResult::Written);
    RecordingOpener opener;
    ShowVrml(model.model, opener, model.messages);
    EXPECT_EQ(opener.opened, std::vector<std::string>{dir / "small.wrl"});
    EXPECT_TRUE(model.messages.messages.empty());
}

TEST(VrmlExport, ShowTellsWhenNoProgramCouldOpenTheScene) {
    TempDir dir;
    SmallModel model(dir / "small.DAT");
    ASSERT_EQ(model.Export(VrmlOptions{}), VrmlExportResult::Written);
    RecordingOpener opener;
    opener.opens = false;
    EXPECT_FALSE(ShowVrml(model.model, opener, model.messages));
    EXPECT_EQ(model.messages.Texts(), std::vector<std::string>{NoViewerMessage(dir / "small.wrl")});
    EXPECT_EQ(model.messages.messages[0].kind, MessageKind::Error);
}

TEST(VrmlExport, UnknownModelNameWhenThereIsNoInputName) {
    TempDir dir;
    const auto cwd = std::filesystem::current_path();
    std::filesystem::current_path(dir.Path());
    RecordingMessageSink messages;
    const auto result = ExportVrml(Model{}, nullptr, VrmlOptions{}, messages);
    const std::string scene = ReadFile(".wrl");
    std::filesystem::current_path(cwd);
    EXPECT_EQ(result, VrmlExportResult::Written);
    EXPECT_NE(scene.find("  info [\"Membrane : unknown file\","), std::string::npos);
    // Extent 0: both viewpoints at the origin, label size 0.
    EXPECT_NE(
        scene.find(
            "  position  0.00000000000000E+0000  0.00000000000000E+0000 -0.00000000000000E+0000"),
        std::string::npos);
}

}  // namespace
}  // namespace membrane
