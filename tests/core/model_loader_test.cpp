#include "model/model_loader.h"

#include <gtest/gtest.h>

#include "model/coor_table.h"
#include "model/elem_table.h"
#include "model/value_lists.h"
#include "solver/sparse_matrix.h"
#include "test_support.h"

namespace membrane {
namespace {

using test::CrLf;
using test::ModelText;
using test::PrepareModel;
using test::ReadFile;
using test::RecordingView;
using test::TempDir;

ModelText UnitSquare() {
    ModelText m;
    m.coordinates = {"1 0 0", "2 1 0", "3 1 1", "4 0 1"};
    m.elements = {"1 1 2 3", "2 1 3 4"};
    m.constraints = {"1", "2", "3", "4"};
    m.initial = {"1 0", "2 0", "3 0", "4 0"};
    return m;
}

struct Loaded {
    TempDir dir;
    RunState state;
    RecordingMessageSink sink;
    RecordingView view;
    std::string path;
    bool ok = false;

    explicit Loaded(const std::string& text) {
        state.messages = &sink;
        state.view = &view;
        path = PrepareModel(dir, state, text);
        state.inputName = path;
        ok = LoadModel(state, path);
    }
};

TEST(ModelLoader, UnitSquareLoadsWithFlatAreaBarsAndBoundaryFile) {
    Loaded l(UnitSquare().Text());
    ASSERT_TRUE(l.ok);
    EXPECT_TRUE(l.sink.messages.empty());
    EXPECT_EQ(l.view.flatArea, "Flat mesh surface : 1.000");
    EXPECT_EQ(l.view.calls, (std::vector<std::string>{"coord", "elem", "constr", "init"}));
    const ModelObjects& m = l.state.model;
    EXPECT_EQ(m.nodes->Count(), 4);
    EXPECT_EQ(m.elements->Count(), 2);
    EXPECT_EQ(m.bars->Count(), 5);
    EXPECT_EQ(m.constraints->Count(), 4);
    EXPECT_EQ(m.heights->Count(), 4);
    EXPECT_EQ(m.increments->Count(), 4);
    EXPECT_EQ(m.heights->Title(), "&SOLUTION");
    EXPECT_EQ(m.boundaryNodes->Count(), 4);
    EXPECT_TRUE(test::Exists(l.dir.File("BNDRYPTS.txt")));
    EXPECT_TRUE(m.system && m.system->Empty());
    EXPECT_TRUE(m.rightHandSide && m.rightHandSide->Empty());
}

TEST(ModelLoader, TableOrderDoesNotMatter) {
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
    EXPECT_EQ(l.view.flatArea, "Flat mesh surface : 1.000");
    EXPECT_EQ(l.state.model.bars->Count(), 5);
}

TEST(ModelLoader, MissingTablesAndMissingFileGiveErrorInInput) {
    {
        ModelText m = UnitSquare();
        std::string text = m.Text();
        text.replace(text.find("&INITIAL"), 8, "&INITIA_");
        Loaded l(text);
        EXPECT_FALSE(l.ok);
        EXPECT_EQ(l.sink.Texts(), (std::vector<std::string>{"error in input"}));
        EXPECT_EQ(l.view.calls, (std::vector<std::string>{"coord"}));  // grid filled before the failure
    }
    for (const char* title : {"&CONSTRAINTS", "&ELEMENTS", "&COORDINATES"}) {
        std::string text = UnitSquare().Text();
        text.replace(text.find(title), 2, "%%");
        Loaded l(text);
        EXPECT_FALSE(l.ok) << title;
        EXPECT_EQ(l.sink.Texts(), (std::vector<std::string>{"error in input"})) << title;
    }
    {
        TempDir dir;
        RunState state;
        RecordingMessageSink sink;
        state.messages = &sink;
        state.boundaryPointsPath = dir.File("BNDRYPTS.txt");
        EXPECT_FALSE(LoadModel(state, dir.File("absent.DAT")));
        ASSERT_EQ(sink.messages.size(), 2u);
        EXPECT_EQ(sink.messages[0].caption, "Read Coordinates From File");
        EXPECT_EQ(sink.messages[0].text, "Inputfile not found");
        EXPECT_EQ(sink.messages[1].text, "error in input");
    }
}

TEST(ModelLoader, LastRecordWithoutLineEndReadsAsItLooks) {
    std::string text = UnitSquare().Text();
    ASSERT_EQ(text.substr(text.size() - 4), "\r\n\r\n");
    text.resize(text.size() - 4);  // the file ends right after the last constraint "4"
    Loaded l(text);
    ASSERT_TRUE(l.ok);
    EXPECT_TRUE(l.sink.messages.empty());
    ASSERT_EQ(l.state.model.constraints->Count(), 4);
    EXPECT_EQ(l.state.model.constraints->ValueOf(4), 4);
}

TEST(ModelLoader, InitialValuesSeedTheHeights) {
    ModelText m = UnitSquare();
    m.initial = {"2 1.5", "999 7", "4 -2"};  // node 999 is not in the node table
    Loaded l(m.Text());
    ASSERT_TRUE(l.ok);
    const TdoubleList& h = *l.state.model.heights;
    EXPECT_EQ(h.ValueOf(1), 0.0);
    EXPECT_EQ(h.ValueOf(2), 1.5);
    EXPECT_EQ(h.ValueOf(3), 0.0);
    EXPECT_EQ(h.ValueOf(4), -2.0);
    EXPECT_EQ(h.FindKey(999), nullptr);
    EXPECT_EQ(h.Count(), 4);
}

TEST(ModelLoader, HeaderWithoutTrailingBlankShiftsTheTable) {
    std::string text = UnitSquare().Text();
    text.replace(text.find("&COORDINATES 4  "), 16, "&COORDINATES 4");
    text.replace(text.find("1 0 0"), 5, "    1        7.35938        8.44576");
    Loaded l(text);
    ASSERT_FALSE(l.sink.messages.empty());
    EXPECT_EQ(l.sink.messages[0].text, "error reading longint 7.35938 at position :2");
}

TEST(ModelLoader, ModelCheckRejectsMissingNodesFlatTrianglesAndDuplicates) {
    ModelText m = UnitSquare();
    m.coordinates.push_back("5 2 2");
    m.coordinates.push_back("2 1 0");                       // node 2 twice
    m.elements = {"1 1 2 3", "2 1 3 4", "2 1 2 4", "3 1 2 9", "4 1 3 5"};  // element 2 twice, node 9 missing, 1-3-5 collinear
    Loaded l(m.Text());
    EXPECT_FALSE(l.ok);
    ASSERT_EQ(l.sink.messages.size(), 2u);
    EXPECT_EQ(l.sink.messages[0].caption, "Model check");
    const std::string& text = l.sink.messages[0].text;
    EXPECT_NE(text.find("node 2 is given twice in &COORDINATES"), std::string::npos) << text;
    EXPECT_NE(text.find("element 2 is given twice in &ELEMENTS"), std::string::npos) << text;
    EXPECT_NE(text.find("element 3: node 9 is not in &COORDINATES"), std::string::npos) << text;
    EXPECT_NE(text.find("element 4: the triangle 1 3 5 has no area in the plan"), std::string::npos) << text;
    EXPECT_EQ(l.sink.messages[1].text, "error in input");

    // Many faults: the message lists ten and says how many more there are.
    ModelText many = UnitSquare();
    for (int e = 3; e <= 15; ++e) many.elements.push_back(std::to_string(e) + " 1 2 " + std::to_string(100 + e));
    Loaded lm(many.Text());
    EXPECT_FALSE(lm.ok);
    ASSERT_FALSE(lm.sink.messages.empty());
    const std::vector<std::string> faults = CheckModel(lm.state);
    ASSERT_EQ(faults.size(), 11u);
    EXPECT_EQ(faults.back(), "... and 3 more");
}

}  // namespace
}  // namespace membrane
