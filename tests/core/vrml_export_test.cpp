#include "output/vrml_export.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "common/messages.h"
#include "model/coor_table.h"
#include "model/elem_table.h"
#include "model/value_lists.h"
#include "vrml_test_support.h"

namespace membrane {
namespace {

using testing::ExpectSameScene;
using testing::GoldenScene;
using testing::ReadBytes;
using testing::ScratchDir;

class RecordingOpener final : public Opener {
public:
    void Open(const std::string& pathOrUrl) override { opened.push_back(pathOrUrl); }
    std::vector<std::string> opened;
};

// A square of side 2 cut into four triangles around a middle node, after a run: node z
// holds the height. Nodes 1, 2 and 4 are held.
struct SmallModel {
    explicit SmallModel(const std::string& modelFile) {
        state.messages = &messages;
        state.inputName = modelFile;
        state.modelLoaded = true;
        state.resultsAvailable = true;
        auto& m = state.model;
        m.nodes = std::make_unique<TCoorClass>(false, modelFile);
        m.heights = std::make_unique<TdoubleList>(false, false, "&SOLUTION", modelFile);
        const struct { int n; double x, y, h; } nodes[] = {
            {1, 0, 0, 0}, {2, 2, 0, 0}, {3, 2, 2, 0.5}, {4, 0, 2, 0.25}, {5, 1, 1, 0.8}};
        for (const auto& p : nodes) {
            m.nodes->Add(p.n, p.x, p.y, p.h);
            m.heights->Add(p.n, p.h);
        }
        m.bars = std::make_unique<TElemClass>(false, modelFile);
        const int bars[][3] = {{1, 1, 2}, {2, 2, 5}, {3, 5, 1}, {4, 2, 3},
                               {5, 3, 5}, {6, 3, 4}, {7, 4, 5}, {8, 4, 1}};
        for (const auto& b : bars) {
            const std::int32_t ends[] = {b[1], b[2]};
            m.bars->Add(b[0], 1, 0.0, ends);
        }
        m.constraints = std::make_unique<TIntList>(false, true, "&CONSTR", modelFile);
        int key = 0;
        for (int c : {1, 2, 4}) m.constraints->Add(++key, c);
    }
    std::string Scene() const { return ReadBytes(VrmlSceneFileName(state)); }

    RecordingMessageSink messages;
    RunState state;
};

TEST(VrmlExport, ModelExtentTakesPlanAndHeightsNotNodeZ) {
    SmallModel model("/nonexistent/small.DAT");
    double x, y, h;
    EXPECT_EQ(ModelExtent(model.state, x, y, h), 2.0);
    EXPECT_EQ(x, 2.0);
    EXPECT_EQ(y, 2.0);
    EXPECT_EQ(h, 0.8);

    model.state.model.heights->Add(9, -7.5);
    EXPECT_EQ(ModelExtent(model.state, x, y, h), 7.5);
    model.state.resultsAvailable = false;  // a failed run: heights do not count
    EXPECT_EQ(ModelExtent(model.state, x, y, h), 2.0);
    EXPECT_EQ(h, 0.0);

    RunState empty;
    EXPECT_EQ(ModelExtent(empty, x, y, h), 0.0);
}

TEST(VrmlExport, DefaultOptionsDrawNodesAtTwiceTheirHeight) {
    ScratchDir dir;
    SmallModel model(dir / "small.DAT");
    EXPECT_EQ(ExportVrml(model.state, VrmlOptions{}), VrmlExportResult::Written);
    ExpectSameScene(GoldenScene("small_default.wrl"), model.Scene());
    EXPECT_TRUE(model.messages.messages.empty());
}

TEST(VrmlExport, NumberedAndUndeformedWithoutAxes) {
    ScratchDir dir;
    SmallModel model(dir / "small.DAT");
    EXPECT_EQ(ExportVrml(model.state, true, false, false, 1.0), VrmlExportResult::Written);
    ExpectSameScene(GoldenScene("small_numbered_undeformed.wrl"), model.Scene());

    // The -1 sentinel draws the mesh undeformed even with "show deformed state".
    EXPECT_EQ(ExportVrml(model.state, true, false, true, kUndeformedScale),
              VrmlExportResult::Written);
    ExpectSameScene(GoldenScene("small_numbered_undeformed.wrl"), model.Scene());
}

TEST(VrmlExport, ScaleMultipliesTheHeightOnTopOfTheLiftedZ) {
    ScratchDir dir;
    SmallModel model(dir / "small.DAT");
    ASSERT_EQ(ExportVrml(model.state, false, false, true, 10.0), VrmlExportResult::Written);
    // Node 5 of height 0.8 at 11 x 0.8.
    const std::string node5 = "  translation  1.00000000000000E+0000  1.00000000000000E+0000  8.80000000000000E+0000      \r\n";
    EXPECT_NE(model.Scene().find(node5), std::string::npos);

    // After a failed run the heights are ignored: every node at its z.
    model.state.resultsAvailable = false;
    ASSERT_EQ(ExportVrml(model.state, false, false, true, 10.0), VrmlExportResult::Written);
    EXPECT_EQ(model.Scene().find(node5), std::string::npos);
    EXPECT_NE(model.Scene().find("  translation  1.00000000000000E+0000  1.00000000000000E+0000  8.00000000000000E-0001      \r\n"),
              std::string::npos);
}

TEST(VrmlExport, BarWithAMissingNodeIsLeftOutWhole) {
    ScratchDir dir;
    SmallModel model(dir / "small.DAT");
    const std::int32_t ends[] = {5, 99};
    model.state.model.bars->Add(9, 1, 0.0, ends);
    model.state.model.constraints->Add(4, 98);  // a held node without coordinates: no cone
    ASSERT_EQ(ExportVrml(model.state, VrmlOptions{}), VrmlExportResult::Written);
    ExpectSameScene(GoldenScene("small_default.wrl"), model.Scene());
}

TEST(VrmlExport, WithoutNodeOrBarTableOnlyHeaderAxesAndTrailer) {
    ScratchDir dir;
    SmallModel model(dir / "small.DAT");
    model.state.model.bars.reset();
    ASSERT_EQ(ExportVrml(model.state, VrmlOptions{}), VrmlExportResult::Written);
    const std::string scene = model.Scene();
    EXPECT_EQ(scene.find("# node"), std::string::npos);
    EXPECT_EQ(scene.find("# supportnode"), std::string::npos);
    EXPECT_NE(scene.find("\"z\"]"), std::string::npos);
    EXPECT_TRUE(scene.ends_with("\r\n\r\n# end of file, membrane scene\r\n"));
}

TEST(VrmlExport, UncreatableSceneIsReportedAndShowFallsBackToTheOldOne) {
    ScratchDir dir;
    SmallModel model(dir / "no-such-dir/small.DAT");
    EXPECT_EQ(ExportVrml(model.state, VrmlOptions{}), VrmlExportResult::NotCreated);
    RecordingOpener opener;
    ShowVrml(model.state, opener);
    EXPECT_TRUE(opener.opened.empty());
    EXPECT_EQ(model.messages.Texts(),
              (std::vector<std::string>{"Can not create a VRML file, check your disk or r/w permissions.",
                                        "No VRML file created!"}));
}

TEST(VrmlExport, FailedWriteIsReportedAndTheOldSceneStays) {
    ScratchDir dir;
    SmallModel model(dir / "small.DAT");
    ASSERT_EQ(ExportVrml(model.state, VrmlOptions{}), VrmlExportResult::Written);
    const std::string before = model.Scene();

    VrmlWriter full(model.messages,
                    [](const std::string&) { return TextFileWriter::Create("/dev/full"); });
    EXPECT_EQ(ExportVrml(model.state, VrmlOptions{true, true, true, 5.0}, full),
              VrmlExportResult::WriteFailed);
    ASSERT_EQ(model.messages.messages.size(), 1u);
    EXPECT_EQ(model.messages.messages[0].kind, MessageKind::Error);
    EXPECT_EQ(model.Scene(), before);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()),
                            std::filesystem::directory_iterator()), 1);
}

TEST(VrmlExport, ShowOpensTheSceneBesideTheModel) {
    ScratchDir dir;
    SmallModel model(dir / "small.DAT");
    ASSERT_EQ(ExportVrml(model.state, VrmlOptions{}), VrmlExportResult::Written);
    RecordingOpener opener;
    ShowVrml(model.state, opener);
    EXPECT_EQ(opener.opened, std::vector<std::string>{dir / "small.wrl"});
    EXPECT_TRUE(model.messages.messages.empty());
}

TEST(VrmlExport, UnknownModelNameWhenThereIsNoInputName) {
    ScratchDir dir;
    const auto cwd = std::filesystem::current_path();
    std::filesystem::current_path(dir.path());
    RecordingMessageSink messages;
    RunState state;
    state.messages = &messages;
    const auto result = ExportVrml(state, VrmlOptions{});
    const std::string scene = ReadBytes(".wrl");
    std::filesystem::current_path(cwd);
    EXPECT_EQ(result, VrmlExportResult::Written);
    EXPECT_NE(scene.find("  info [\"Membrane : unknown file\","), std::string::npos);
    // Extent 0: both viewpoints at the origin, label size 0.
    EXPECT_NE(scene.find("  position  0.00000000000000E+0000  0.00000000000000E+0000 -0.00000000000000E+0000"),
              std::string::npos);
}

}  // namespace
}  // namespace membrane
