// From a model file to a checked Model: the tables in any order, what a missing or empty
// table or a missing file says, the start heights, the model check, and what the loading
// hands to the view and writes (the boundary points file).
#include "heightfield/model_loading.h"

#include <gtest/gtest.h>

#include "heightfield/model_loader.h"
#include "support/files.h"
#include "support/model_text.h"
#include "support/recording.h"

namespace membrane {
namespace {

using namespace test;

ModelText UnitSquare() {
    ModelText m;
    m.coordinates = {"1 0 0", "2 1 0", "3 1 1", "4 0 1"};
    m.elements = {"1 1 2 3", "2 1 3 4"};
    m.constraints = {"1", "2", "3", "4"};
    m.initial = {"1 0", "2 0", "3 0", "4 0"};
    return m;
}

struct Loaded {
    explicit Loaded(const std::string& text) {
        WriteFile(dir.File("MODEL.DAT"), text);
        const RunRequest request{dir.File("MODEL.DAT"), Settings{}, dir.File("BNDRYPTS.txt")};
        if (const auto file = OpenModelFile(request.modelFileName, sink, result))
            ok = LoadCheckedModel(*file, request, sink, &view, result);
    }
    const Model& model() const { return *result.model; }

    TempDir dir;
    RecordingMessageSink sink;
    RecordingView view;
    RunResult result;
    bool ok = false;
};

TEST(ModelLoading, UnitSquareLoadsWithFlatAreaBarsAndBoundaryFile) {
    Loaded l(UnitSquare().Text());
    ASSERT_TRUE(l.ok);
    EXPECT_TRUE(l.sink.messages.empty());
    EXPECT_EQ(l.view.flatArea, "Flat mesh surface : 1.000");
    EXPECT_EQ(l.view.model, l.result.model);
    EXPECT_TRUE(l.view.modelLoaded && l.result.modelLoaded);
    const Model& m = l.model();
    EXPECT_TRUE(m.complete);
    EXPECT_EQ(m.nodes.Count(), 4);
    EXPECT_EQ(m.elements.Count(), 2);
    EXPECT_EQ(m.bars.Count(), 5);
    EXPECT_EQ(m.constraints.Count(), 4);
    EXPECT_EQ(m.boundary.nodes, (std::vector<std::int32_t>{1, 2, 3, 4}));
    EXPECT_EQ(m.boundary.sides.size(), 4u);
    EXPECT_EQ(m.flatArea, 1.0);
    EXPECT_EQ(l.result.boundaryPointsFile, l.dir.File("BNDRYPTS.txt"));
    EXPECT_TRUE(Exists(l.dir.File("BNDRYPTS.txt")));
}

TEST(ModelLoading, TableOrderDoesNotMatter) {
    const ModelText m = UnitSquare();
    std::vector<std::string> lines{"FILE X.DAT", "&CONSTRAINTS 4 "};
    lines.insert(lines.end(), m.constraints.begin(), m.constraints.end());
    lines.push_back("# a comment line between tables");
    lines.push_back("&ELEMENTS 2 ");
    lines.insert(lines.end(), m.elements.begin(), m.elements.end());
    lines.push_back("&INITIAL 4 ");
    lines.insert(lines.end(), m.initial.begin(), m.initial.end());
    lines.push_back("&COORDINATES 4 ");
    lines.insert(lines.end(), m.coordinates.begin(), m.coordinates.end());
    Loaded l(CrLf(lines));
    ASSERT_TRUE(l.ok);
    EXPECT_TRUE(l.sink.messages.empty());
    EXPECT_EQ(l.model().bars.Count(), 5);
}

// A missing table is named, then "error in input".
TEST(ModelLoading, MissingTablesAndMissingFileGiveErrorInInput) {
    {
        std::string text = UnitSquare().Text();
        text.replace(text.find("&INITIAL"), 8, "&INITIA_");
        Loaded l(text);
        EXPECT_FALSE(l.ok);
        EXPECT_EQ(l.sink.Texts(),
                  (std::vector<std::string>{"The file has no table &INITIAL.", "error in input"}));
        // The node table was read and is shown; the model is not complete.
        ASSERT_NE(l.view.model, nullptr);
        EXPECT_EQ(l.view.model->nodes.Count(), 4);
        EXPECT_FALSE(l.view.model->complete || l.view.modelLoaded);
        EXPECT_EQ(l.view.flatArea, "");
        EXPECT_FALSE(Exists(l.dir.File("BNDRYPTS.txt")));
    }
    for (const char* title : {"&CONSTRAINTS", "&ELEMENTS", "&COORDINATES"}) {
        std::string text = UnitSquare().Text();
        text.replace(text.find(title), 2, "%%");
        Loaded l(text);
        EXPECT_FALSE(l.ok) << title;
        EXPECT_EQ(l.sink.Texts(),
                  (std::vector<std::string>{"The file has no table " + std::string(title) + ".",
                                            "error in input"}))
            << title;
    }
    {
        TempDir dir;
        RecordingMessageSink sink;
        RunResult result;
        EXPECT_EQ(OpenModelFile(dir.File("absent.DAT"), sink, result), nullptr);
        ASSERT_EQ(sink.messages.size(), 2u);
        EXPECT_EQ(sink.messages[0].caption, "Read Coordinates From File");
        EXPECT_EQ(sink.messages[0].text, "Inputfile not found");
        EXPECT_EQ(sink.messages[1].text, "error in input");
        ASSERT_NE(result.model, nullptr);  // a model without tables, named after the file
        EXPECT_EQ(result.model->fileName, dir.File("absent.DAT"));
        EXPECT_EQ(OpenModelFile(dir.Path().string(), sink, result), nullptr);  // a directory
    }
}

TEST(ModelLoading, LastRecordWithoutLineEndReadsAsItLooks) {
    std::string text = UnitSquare().Text();
    ASSERT_EQ(text.substr(text.size() - 4), "\r\n\r\n");
    text.resize(text.size() - 4);  // the file ends right after the last constraint "4"
    Loaded l(text);
    ASSERT_TRUE(l.ok);
    EXPECT_TRUE(l.sink.messages.empty());
    EXPECT_EQ(l.model().constraints.ValueOf(4), 4);
}

TEST(ModelLoading, StartHeightsFromTheInitialTableInFileOrder) {
    ModelText m = UnitSquare();
    m.initial = {"2 1.5", "999 7", "4 -2", "2 2.5"};  // node 999 is not in the node table
    Loaded l(m.Text());
    ASSERT_TRUE(l.ok);
    EXPECT_EQ(l.model().startHeights, (std::vector<double>{0.0, 2.5, 0.0, -2.0}));
}

TEST(ModelLoading, HeaderWithoutTrailingBlankReadsAsWritten) {
    std::string text = UnitSquare().Text();
    text.replace(text.find("&COORDINATES 4  "), 16, "&COORDINATES 4");
    text.replace(text.find("1 0 0"), 5, "    1        7.35938        8.44576");
    Loaded l(text);
    EXPECT_TRUE(l.sink.messages.empty());
    EXPECT_EQ(l.model().nodes.Find(1)->x, 7.35938);
}

TEST(ModelLoading, ModelCheckRejectsMissingNodesFlatTrianglesAndDuplicates) {
    ModelText m = UnitSquare();
    m.coordinates.push_back("5 2 2");
    m.coordinates.push_back("2 1 0");  // node 2 twice
    m.elements = {"1 1 2 3", "2 1 3 4", "2 1 2 4", "3 1 2 9",
                  "4 1 3 5"};  // element 2 twice, node 9 missing, 1-3-5 collinear
    Loaded l(m.Text());
    EXPECT_FALSE(l.ok);
    ASSERT_EQ(l.sink.messages.size(), 2u);
    EXPECT_EQ(l.sink.messages[0].caption, "Model check");
    EXPECT_EQ(l.sink.messages[0].text,
              "node 2 is given twice in &COORDINATES\n"
              "element 2 is given twice in &ELEMENTS\n"
              "element 3: node 9 is not in &COORDINATES\n"
              "element 4: the triangle 1 3 5 has no area in the plan");
    EXPECT_EQ(l.sink.messages[1].text, "error in input");
    // Every table was read: the view has them, with the flat area, but not as loaded.
    EXPECT_TRUE(l.view.model->complete);
    EXPECT_FALSE(l.view.modelLoaded);
    EXPECT_EQ(l.result.flatArea, l.view.model->flatArea);

    // Many faults: the message lists ten and says how many more there are.
    ModelText many = UnitSquare();
    for (int e = 3; e <= 15; ++e)
        many.elements.push_back(std::to_string(e) + " 1 2 " + std::to_string(100 + e));
    Loaded lm(many.Text());
    EXPECT_FALSE(lm.ok);
    const std::vector<std::string> faults = CheckModel(lm.model());
    ASSERT_EQ(faults.size(), 11u);
    EXPECT_EQ(faults.back(), "... and 3 more");
}

TEST(ModelLoading, StartHeightsThatOverflowTheAreaAreRejected) {
    ModelText m = UnitSquare();
    m.initial = {"1 0", "2 1e200", "3 0", "4 0"};
    Loaded l(m.Text());
    EXPECT_FALSE(l.ok);
    ASSERT_FALSE(l.sink.messages.empty());
    EXPECT_NE(l.sink.Texts()[l.sink.messages.size() - 2].find(
                  "element 1: the triangle 1 2 3 is too steep"),
              std::string::npos)
        << l.sink.Texts()[l.sink.messages.size() - 2];
}

}  // namespace
}  // namespace membrane
